# Each folder of src/ is one library. A layer sees its own headers and those of the layers it
# links, nothing else: its headers are staged under build/layers/<name>/<name> (a link to the
# source folder), and only that staging directory goes on the include path of the layer and
# of whoever links it. An include of a layer above therefore fails to compile.
#
#   pelorama_layer(NAME <folder> SOURCES <files...> [DEPENDS <pelorama layers...>]
#                  [LIBRARIES <other libraries...>])
function(pelorama_layer)
    cmake_parse_arguments(LAYER "" "NAME" "SOURCES;DEPENDS;LIBRARIES" ${ARGN})
    set(stage ${CMAKE_BINARY_DIR}/layers/${LAYER_NAME})
    file(MAKE_DIRECTORY ${stage})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${LAYER_NAME} ${stage}/${LAYER_NAME} SYMBOLIC)
    add_library(pelorama_${LAYER_NAME} STATIC ${LAYER_SOURCES})
    target_include_directories(pelorama_${LAYER_NAME} PUBLIC ${stage})
    target_link_libraries(pelorama_${LAYER_NAME} PUBLIC ${LAYER_DEPENDS} ${LAYER_LIBRARIES}
                          PRIVATE pelorama_warnings)
endfunction()
