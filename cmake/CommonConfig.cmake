# Compile settings shared by every target of the project.
include(CheckPIESupported)

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
else()
    # The hardening that Debian 12's dpkg-buildflags gives a package (with bindnow, which
    # lintian asks for): checked string and memory functions, a stack protector, format string
    # checks, a read-only relocation table bound at start-up, and a position-independent
    # executable. The sanitizers bring their own checks and do not mix with _FORTIFY_SOURCE.
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    check_pie_supported(LANGUAGES CXX)
    target_compile_options(velda_common INTERFACE -fstack-protector-strong -Wformat -Werror=format-security)
    # The checked functions need the optimiser; a debug build (-O0) goes without them.
    target_compile_options(velda_common INTERFACE
        "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    target_link_options(velda_common INTERFACE LINKER:-z,relro LINKER:-z,now)
endif()
option(VELDA_SANITIZE_THREAD "Build with ThreadSanitizer (not together with VELDA_SANITIZE)" OFF)
if(VELDA_SANITIZE_THREAD)
    if(VELDA_SANITIZE)
        message(FATAL_ERROR "ThreadSanitizer and AddressSanitizer cannot be built together")
    endif()
    target_compile_options(velda_common INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(velda_common INTERFACE -fsanitize=thread)
endif()
