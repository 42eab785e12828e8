# qs_unity_build(<directory>...): the targets under these directories compile their files in
# batches, one translation unit for several files, so that a clean build (CI, the first build
# of a checkout) parses Qt's and GoogleTest's headers once per batch rather than once per file:
# parsing them is most of a file's compile time. Every build does it, ccache's too, so that two
# files' local names that collide in a batch fail where they are written, not only in CI. The
# analysers still read the program's sources one by one: they take each batch's command.
option(QS_UNITY_BUILD "Compile the program, tests and tools in batches" ON)

include(${CMAKE_CURRENT_LIST_DIR}/CompileTargets.cmake)

function(qs_unity_build)
    if(NOT QS_UNITY_BUILD)
        return()
    endif()
    qs_compile_targets(targets ${ARGN})
    foreach(target IN LISTS targets)
        set_target_properties(${target} PROPERTIES UNITY_BUILD ON)
        # A file's own classes in an anonymous namespace, used as a test's base, are right in
        # a file and flagged only because the batch includes the file.
        target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
    endforeach()
endfunction()
