# Installation and packaging checks, run by shell scripts next to this file.
# The first two install the whole build, so they take turns.
add_test(NAME install_layout
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_install.sh
            ${CMAKE_COMMAND} ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR} $<CONFIG>)
set_tests_properties(install_layout PROPERTIES
    LABELS install
    RESOURCE_LOCK velda_install
    TIMEOUT 120)

# The package is made from a release build: a sanitizer build has neither its flags nor its size.
if(NOT VELDA_SANITIZE AND NOT VELDA_SANITIZE_THREAD)
    add_test(NAME package_deb
        COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_package.sh
                ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR} ${PROJECT_VERSION})
    set_tests_properties(package_deb PROPERTIES
        LABELS package
        RESOURCE_LOCK velda_install
        SKIP_RETURN_CODE 77
        TIMEOUT 180)
endif()

# The manual pages as man renders them, and the completions as bash, zsh and fish call them.
add_test(NAME man_pages COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_man.sh ${PROJECT_BINARY_DIR}/man)
set_tests_properties(man_pages PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)
add_test(NAME bash_completion
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_completion.sh ${PROJECT_SOURCE_DIR}/packaging/completions/velda.bash)
set_tests_properties(bash_completion PROPERTIES TIMEOUT 60)
add_test(NAME zsh_completion
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_completion_zsh.sh ${PROJECT_SOURCE_DIR}/packaging/completions/_velda)
add_test(NAME fish_completion
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_completion_fish.sh ${PROJECT_SOURCE_DIR}/packaging/completions/velda.fish)
set_tests_properties(zsh_completion fish_completion PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 150)
