# The licence is stated alike wherever the project declares it: the root
# LICENSE (MIT, a year and a holder), the R package's LICENSE (the same year
# and holder, in R's form) and DESCRIPTION (MIT + file LICENSE), the page's
# package.json and its lock file's root entry ("MIT"), and the README's last
# section. The Debian package's copyright file is checked where the package
# is built (.ci/run).
#
#   cmake -DSOURCE=<repository> -P check-licence.cmake
set(problems "")
macro(problem what)
  string(APPEND problems "\n  ${what}")
endmacro()

file(READ ${SOURCE}/LICENSE licence)
if(NOT licence MATCHES "^MIT License\n\nCopyright \\(c\\) ([0-9][0-9][0-9][0-9]) ([^\n]+)\n")
  message(FATAL_ERROR "LICENSE: not the MIT licence with a line \"Copyright (c) YEAR HOLDER\"")
endif()
set(year ${CMAKE_MATCH_1})
set(holder ${CMAKE_MATCH_2})
if(NOT licence MATCHES "The above copyright notice and this permission notice shall be included")
  problem("LICENSE: no MIT permission notice")
endif()

file(READ ${SOURCE}/r/LICENSE r_licence)
if(NOT r_licence STREQUAL "YEAR: ${year}\nCOPYRIGHT HOLDER: ${holder}\n")
  problem("r/LICENSE: not the lines \"YEAR: ${year}\" and \"COPYRIGHT HOLDER: ${holder}\"")
endif()
file(READ ${SOURCE}/r/DESCRIPTION description)
if(NOT description MATCHES "\nLicense: MIT \\+ file LICENSE\n")
  problem("r/DESCRIPTION: no \"License: MIT + file LICENSE\"")
endif()

file(READ ${SOURCE}/web/package.json package)
string(JSON package_licence ERROR_VARIABLE missing GET "${package}" license)
if(NOT package_licence STREQUAL "MIT")
  problem("web/package.json: license is not \"MIT\"")
endif()
file(READ ${SOURCE}/web/package-lock.json lock)
string(JSON root_licence ERROR_VARIABLE missing GET "${lock}" packages "" license)
if(NOT root_licence STREQUAL "MIT")
  problem("web/package-lock.json: the root entry's license is not \"MIT\"")
endif()

file(READ ${SOURCE}/README.md readme)
string(REGEX MATCH "\n## [^\n]*\n[^#]*$" last_section "${readme}")
if(NOT last_section MATCHES "^\n## Licence\n" OR NOT last_section MATCHES "MIT licence")
  problem("README.md: the last section is not \"## Licence\" naming the MIT licence")
endif()

if(problems)
  message(FATAL_ERROR "the licence files disagree:${problems}")
endif()
