# Platform files are chosen by suffix so the engine needs no #ifdef:
# *_win32.cpp and *_cng.cpp build for Windows, *_posix.cpp and *_openssl.cpp natively.
function(tolzeb_filter_platform out)
  set(kept)
  foreach(f ${ARGN})
    if(WIN32 AND f MATCHES "_(posix|openssl)\\.cpp$")
      continue()
    endif()
    if(NOT WIN32 AND f MATCHES "_(win32|cng)\\.cpp$")
      continue()
    endif()
    list(APPEND kept ${f})
  endforeach()
  set(${out} ${kept} PARENT_SCOPE)
endfunction()

function(tolzeb_collect_sources out)
  set(all)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND all ${found})
  endforeach()
  tolzeb_filter_platform(kept ${all})
  set(${out} ${kept} PARENT_SCOPE)
endfunction()

# The libraries are compiled a few source files to one unit: each file loads the same standard and
# platform headers, which cost more than most files themselves. File-local names must therefore
# differ across the files of a library, whatever the batch.
set(TOLZEB_UNITY_BATCH 8 CACHE STRING "Library source files compiled as one unit; 1 compiles each on its own, 0 puts all of a library's files in one unit")
function(tolzeb_unity_build target)
  if(NOT TOLZEB_UNITY_BATCH EQUAL 1)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_MODE BATCH
                                               UNITY_BUILD_BATCH_SIZE ${TOLZEB_UNITY_BATCH})
    # GCC takes every source of a unity unit for a header and then warns that a class a source
    # defines for itself holds a type of that source's anonymous namespace, which is sound there.
    target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
  endif()
endfunction()
