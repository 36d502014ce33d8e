# The model library computes only: none of its objects may call anything that
# reads or writes (streams, stdio, POSIX file calls) or that depends on the
# locale (the C and C++ locale functions, strtod and the like, which read
# numbers in the locale's notation).
#
#   cmake -DNM=<nm> -DLIBRARY=<libzireze_model.a> -P check-model-no-io.cmake
execute_process(COMMAND ${NM} -u -C ${LIBRARY}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()

# C++: streams and stream buffers (std::ostream, std::basic_ofstream,
# std::__cxx11::basic_ostringstream, ...), the standard streams, locales.
set(cxx "std::(__cxx11::)?([a-z_]*stream|[a-z_]*buf|basic_ios|ios_base|ios|w?(cout|cerr|clog|cin)|locale|ctype|num_put|num_get|__basic_file)[^a-z_]")
# C, with any leading __ taken off: stdio (and the _chk forms of fortified
# builds), file descriptors, the locale.
set(c "^(_IO_|isoc[0-9]*_)?(v?[dfs]?n?printf|v?[fs]?scanf|puts|fputs|putc|fputc|putchar|fwrite|fread|fgets|fgetc|getc|getchar|fopen|fopen64|fdopen|freopen|fclose|fflush|perror|stdin|stdout|stderr|open|open64|openat|creat|read|readv|write|writev|pread|pwrite|lseek|close|dup|dup2|fsync|isatty|setlocale|localeconv|newlocale|uselocale|freelocale|nl_langinfo|strto[fd]|strtold|strto[a-z]*_l|ato[fil])(_chk)?(@.*)?$")

# One list item a line: brackets and semicolons of demangled names would split
# or join items, and matter to no pattern.
string(REGEX REPLACE "[][;]" "_" symbols "${symbols}")
string(REPLACE "\n" ";" lines "${symbols}")
set(found "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^ +U (.+)$")
    continue()
  endif()
  set(symbol "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "^__" "" bare "${symbol}")
  if(symbol MATCHES "${cxx}" OR bare MATCHES "${c}")
    string(APPEND found "  ${symbol}\n")
  endif()
endforeach()
if(found)
  message(FATAL_ERROR "the model library must do no input or output and use no locale, "
                      "but calls:\n${found}")
endif()
