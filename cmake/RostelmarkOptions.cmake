# Every compiler setting of the project's own code lives in this one INTERFACE target.
add_library(rostelmark_options INTERFACE)
target_compile_features(rostelmark_options INTERFACE cxx_std_20)
target_compile_options(rostelmark_options INTERFACE -Wall -Wextra)
if(ROSTELMARK_WERROR)
  target_compile_options(rostelmark_options INTERFACE -Werror)
endif()
target_compile_definitions(rostelmark_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_NO_KEYWORDS _GLIBCXX_ASSERTIONS)

if(ROSTELMARK_SANITIZE)
  target_compile_options(rostelmark_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(rostelmark_options INTERFACE -fsanitize=address,undefined)
endif()

if(ROSTELMARK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ROSTELMARK_FUZZ needs clang (CXX=clang++)")
  endif()
  target_compile_options(rostelmark_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
