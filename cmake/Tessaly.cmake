# Build conventions shared by every deliverable.

# Everything built lands in build/bin with $ORIGIN as run path, so the program
# runs from the build tree as it is.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/lib")
set(CMAKE_BUILD_RPATH "$ORIGIN")
set(CMAKE_BUILD_WITH_INSTALL_RPATH OFF)

# The installed tree: programs in bin/, every shared library and plug-in in
# lib/tessaly/, where the library lookup looks after the program's own
# directory. Programs find the linked libraries through ../lib/tessaly, the
# libraries find each other beside themselves.
set(TESSALY_INSTALL_BINDIR "bin")
set(TESSALY_INSTALL_LIBDIR "lib/tessaly")
set(TESSALY_INSTALL_MANDIR "share/man")
set(CMAKE_INSTALL_RPATH "$ORIGIN/../${TESSALY_INSTALL_LIBDIR}")

# Only the documented C functions leave a shared library.
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)

add_compile_options(-Wall -Wextra)

if(TESSALY_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Our own code: warnings on, the shared include folder visible.
function(tessaly_target_defaults target)
  target_include_directories(${target} PUBLIC "${CMAKE_SOURCE_DIR}/include" "${CMAKE_SOURCE_DIR}")
  target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()

# A shared library linked at build time by its callers (libX.so).
function(tessaly_linked_library target output_name)
  add_library(${target} SHARED ${ARGN})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name} INSTALL_RPATH "$ORIGIN")
  tessaly_target_defaults(${target})
  install(TARGETS ${target} LIBRARY DESTINATION ${TESSALY_INSTALL_LIBDIR})
endfunction()

# A library that is only ever loaded at run time with dlopen (no "lib" prefix).
# -Bsymbolic makes its calls to its own exports stay inside it, even when the
# engine exports functions of the same name (r_AllocMaxTextures, ...).
function(tessaly_runtime_library target output_name)
  add_library(${target} MODULE ${ARGN})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name} PREFIX "" INSTALL_RPATH "$ORIGIN")
  target_link_options(${target} PRIVATE -Wl,-Bsymbolic -Wl,--no-undefined)
  tessaly_target_defaults(${target})
  install(TARGETS ${target} LIBRARY DESTINATION ${TESSALY_INSTALL_LIBDIR})
endfunction()

# A program of the installed tree (bin/), finding its libraries in ../lib/tessaly.
function(tessaly_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${TESSALY_INSTALL_BINDIR})
endfunction()

# libopenmpt as a link item in out_var: the pkg-config target where pkg-config
# knows the library, else the library found by name.
function(tessaly_find_openmpt out_var)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(OPENMPT IMPORTED_TARGET libopenmpt)
  endif()
  if(OPENMPT_FOUND)
    set(${out_var} PkgConfig::OPENMPT PARENT_SCOPE)
  else()
    find_library(OPENMPT_LIBRARY NAMES openmpt REQUIRED)
    set(${out_var} ${OPENMPT_LIBRARY} PARENT_SCOPE)
  endif()
endfunction()
