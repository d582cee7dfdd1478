# Compile settings shared by every target of the project.
add_library(velda_common INTERFACE)
target_compile_features(velda_common INTERFACE cxx_std_20)
target_compile_options(velda_common INTERFACE -Wall -Wextra -Werror)
target_compile_definitions(velda_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_KEYWORDS
)
if(VELDA_SANITIZE)
    target_compile_options(velda_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(velda_common INTERFACE -fsanitize=address,undefined)
endif()
option(VELDA_SANITIZE_THREAD "Build with ThreadSanitizer (not together with VELDA_SANITIZE)" OFF)
if(VELDA_SANITIZE_THREAD)
    if(VELDA_SANITIZE)
        message(FATAL_ERROR "ThreadSanitizer and AddressSanitizer cannot be built together")
    endif()
    target_compile_options(velda_common INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(velda_common INTERFACE -fsanitize=thread)
endif()
