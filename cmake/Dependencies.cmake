# Finds the libraries the core and the tools stand on, as interface targets:
#   halvane_gl     OpenGL 1.x + GLU
#   halvane_devil  DevIL with its GL layer (ILUT), or on Windows without a
#                  DevIL the project's stand-in (platform/devil_standin)
#   halvane_egl    EGL, for the headless context (Linux only)
# In the browser (Emscripten) the first two are the project's own: the GL
# 1.x layer over WebGL 2 and the DevIL stand-in (both in platform/).

add_library(halvane_gl INTERFACE)
add_library(halvane_devil INTERFACE)

if(WIN32)
  target_link_libraries(halvane_gl INTERFACE opengl32 glu32)
  find_library(DEVIL_IL_LIBRARY NAMES DevIL IL)
  find_library(DEVIL_ILUT_LIBRARY NAMES ILUT)
  find_path(DEVIL_INCLUDE_DIR IL/ilut.h)
  if(DEVIL_IL_LIBRARY AND DEVIL_ILUT_LIBRARY AND DEVIL_INCLUDE_DIR)
    message(STATUS "DevIL: ${DEVIL_IL_LIBRARY}")
    target_include_directories(halvane_devil INTERFACE ${DEVIL_INCLUDE_DIR})
    target_link_libraries(halvane_devil INTERFACE ${DEVIL_ILUT_LIBRARY} ${DEVIL_IL_LIBRARY})
    set(HALVANE_DEVIL "DevIL" CACHE INTERNAL "")
  else()
    message(STATUS "DevIL: none for this target, using the project's stand-in")
    set(HALVANE_DEVIL "stand-in" CACHE INTERNAL "")
  endif()
elseif(EMSCRIPTEN)
  set(HALVANE_DEVIL "stand-in" CACHE INTERNAL "")
else()
  set(OpenGL_GL_PREFERENCE GLVND)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL)
  find_library(GLU_LIBRARY GLU REQUIRED)
  target_link_libraries(halvane_gl INTERFACE OpenGL::GL ${GLU_LIBRARY})
  add_library(halvane_egl INTERFACE)
  target_link_libraries(halvane_egl INTERFACE OpenGL::EGL)

  find_path(DEVIL_INCLUDE_DIR IL/ilut.h REQUIRED)
  find_library(DEVIL_IL_LIBRARY IL REQUIRED)
  find_library(DEVIL_ILU_LIBRARY ILU REQUIRED)
  find_library(DEVIL_ILUT_LIBRARY ILUT REQUIRED)
  target_include_directories(halvane_devil INTERFACE ${DEVIL_INCLUDE_DIR})
  target_link_libraries(halvane_devil INTERFACE ${DEVIL_ILUT_LIBRARY} ${DEVIL_ILU_LIBRARY} ${DEVIL_IL_LIBRARY})
  set(HALVANE_DEVIL "DevIL" CACHE INTERNAL "")
endif()

# ILUT declares its GL calls only when asked to.
target_compile_definitions(halvane_devil INTERFACE ILUT_USE_OPENGL)
