# ovs_deliverable(target): one of the two files that ship. It lands at the top
# of the build tree, stripped, linked statically. In the x86_64 test tree
# (posix thread model) the files that ship come from the "shipped" sub-build;
# the test-model copies are built only on demand, out of the way.
function(ovs_deliverable target)
    set(_dir "${OVS_OUTPUT_DIR}")
    if(WIN32 AND NOT OVS_SHIPPED_ONLY)
        set(_dir "${CMAKE_BINARY_DIR}/test-model")
        set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL TRUE)
    endif()
    set_target_properties(${target} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY "${_dir}"
        LIBRARY_OUTPUT_DIRECTORY "${_dir}"
        PREFIX "")
    target_link_options(${target} PRIVATE -s)
endfunction()
