# Checks every project #include of each layer's folder against the layers
# it may use (below it, never a sibling). Run with -DSOURCE_DIR=<tree>.
# An include counts as the project's when its first path part is a folder
# at the top of the tree; anything else (<GL/gl.h>, "stb_vorbis.h") is not
# checked.
cmake_policy(VERSION 3.18)

set(USES_platform "")
set(USES_soundlib platform)
set(USES_content soundlib platform)
set(USES_audio soundlib platform)
set(USES_scenes audio content soundlib platform)
set(USES_timeline scenes audio content soundlib platform)

set(failures "")
foreach(layer platform soundlib content audio scenes timeline)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.c ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^/\">]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^/\">]+)/.*" "\\1" folder "${line}")
      if(folder STREQUAL layer OR folder STREQUAL "third_party" OR folder IN_LIST USES_${layer}
          OR NOT IS_DIRECTORY ${SOURCE_DIR}/${folder})
        continue()
      endif()
      file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
      string(REPLACE ";" " " uses "${layer};${USES_${layer}};third_party")
      string(REPLACE "  " " " uses "${uses}")
      string(APPEND failures "  ${name}: ${line}  (${layer}/ may use ${uses})\n")
    endforeach()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "Includes that reach up a layer or across to a sibling:\n${failures}")
endif()
message(STATUS "Every include of the layers points down.")
