# Embeds the project version into a program file, where the platform layer reads it back:
# a VERSIONINFO resource on Windows, the ELF section ".vorlane_version" elsewhere.
function(vorlane_embed_version target description)
  set(VORLANE_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
  set(VORLANE_VERSION_MINOR ${PROJECT_VERSION_MINOR})
  set(VORLANE_VERSION_PATCH ${PROJECT_VERSION_PATCH})
  set(VORLANE_VERSION_TWEAK ${PROJECT_VERSION_TWEAK})
  foreach(_part MAJOR MINOR PATCH TWEAK)
    if(NOT VORLANE_VERSION_${_part})
      set(VORLANE_VERSION_${_part} 0)
    endif()
  endforeach()
  set(VORLANE_TARGET_NAME ${target})
  set(VORLANE_TARGET_DESCRIPTION "${description}")
  if(WIN32)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in
                   ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  else()
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionBlock.cpp.in
                   ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.cpp @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.cpp)
  endif()
endfunction()
