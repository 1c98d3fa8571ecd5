# ovs_deliverable(target): one of the two files that ship. It lands at the top
# of the build tree, stripped, linked statically.
function(ovs_deliverable target)
    set_target_properties(${target} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY "${OVS_OUTPUT_DIR}"
        LIBRARY_OUTPUT_DIRECTORY "${OVS_OUTPUT_DIR}"
        PREFIX "")
    target_link_options(${target} PRIVATE -s)
endfunction()
