# Build-wide settings in one place: standard, warnings, Qt safety defines, sanitizers.
add_library(znl_common_cfg INTERFACE)
target_compile_options(znl_common_cfg INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
  -Wno-sign-conversion)
target_compile_definitions(znl_common_cfg INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT
  QT_NO_KEYWORDS)
if(ZNL_WERROR)
  target_compile_options(znl_common_cfg INTERFACE -Werror)
endif()
if(ZNL_SANITIZE)
  target_compile_options(znl_common_cfg INTERFACE -fsanitize=${ZNL_SANITIZE} -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  target_link_options(znl_common_cfg INTERFACE -fsanitize=${ZNL_SANITIZE})
endif()
