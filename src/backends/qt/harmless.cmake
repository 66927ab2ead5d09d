# Harmless by construction: the Qt start that leaves no trace and then confines the program.
# Included from src/CMakeLists.txt.

# Self-confinement with Landlock and seccomp, in plain C++ so that a test program can link it alone.
find_path(SECCOMP_INCLUDE_DIR seccomp.h REQUIRED)
find_library(SECCOMP_LIBRARY seccomp REQUIRED)
add_library(scherzetto_confinement STATIC
    ${CMAKE_CURRENT_LIST_DIR}/confinement.cpp ${CMAKE_CURRENT_LIST_DIR}/confinement.h)
target_include_directories(scherzetto_confinement
    PUBLIC ${CMAKE_CURRENT_LIST_DIR}
    PRIVATE ${SECCOMP_INCLUDE_DIR})
target_link_libraries(scherzetto_confinement PRIVATE ${SECCOMP_LIBRARY} scherzetto_warnings)

# The Qt start that uses it; the runtime's startup calls it.
qt_add_library(scherzetto_harmless STATIC
    ${CMAKE_CURRENT_LIST_DIR}/harmlessstart.cpp ${CMAKE_CURRENT_LIST_DIR}/harmlessstart.h)
target_link_libraries(scherzetto_harmless
    PUBLIC Qt6::Widgets
    PRIVATE scherzetto_confinement scherzetto_warnings)
target_link_libraries(scherzetto_shell PRIVATE scherzetto_harmless)
