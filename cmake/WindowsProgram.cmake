# Build settings shared by the two shipped programs: small, self-contained,
# 32-bit GUI executables for Windows 4.0 and later, reproducible to the byte.

set(TARVOLIN_RESOURCE_DIR "${CMAKE_SOURCE_DIR}/resources")

function(tarvolin_windows_program target)
  set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  if(MINGW)
    target_compile_options(${target} PRIVATE
      $<$<COMPILE_LANGUAGE:C,CXX>:-Os -fno-exceptions -fno-rtti
      -fno-asynchronous-unwind-tables -ffunction-sections -fdata-sections>)
    target_link_options(${target} PRIVATE
      -static -s
      -Wl,--subsystem,windows:4.0
      -Wl,--dynamicbase -Wl,--nxcompat
      -Wl,--no-insert-timestamp
      -Wl,--gc-sections)
  elseif(MSVC)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:/O1 /GR- /Brepro>)
    target_link_options(${target} PRIVATE /DYNAMICBASE /NXCOMPAT /Brepro)
    set_property(TARGET ${target} PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded")
  endif()
endfunction()

# Compiles a program's resource script, which includes the shared icon and
# version information from resources/.
function(tarvolin_add_resources target rc_file)
  target_sources(${target} PRIVATE ${rc_file})
  target_include_directories(${target} PRIVATE ${TARVOLIN_RESOURCE_DIR} ${TARVOLIN_ICON_DIR})
  add_dependencies(${target} app_icon)
  set_property(SOURCE ${rc_file} APPEND PROPERTY OBJECT_DEPENDS
    ${TARVOLIN_ICON_FILE} ${TARVOLIN_RESOURCE_DIR}/version.rc)
endfunction()
