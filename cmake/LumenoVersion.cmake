# Every deliverable carries a fixed version record in its own ELF section, so that GetFileVersion
# can read the version of a file the way the handset reads a version resource.

set(LUMENO_VERSION_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/VersionRecord.cpp.in)

# lumeno_embed_version(<target> APP|DLL)
function(lumeno_embed_version target kind)
  if(kind STREQUAL "APP")
    set(LUMENO_FILE_TYPE 1)   # VFT_APP
  elseif(kind STREQUAL "DLL")
    set(LUMENO_FILE_TYPE 2)   # VFT_DLL
  else()
    message(FATAL_ERROR "lumeno_embed_version: kind must be APP or DLL")
  endif()
  set(LUMENO_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
  set(LUMENO_VERSION_MINOR ${PROJECT_VERSION_MINOR})
  set(LUMENO_VERSION_PATCH ${PROJECT_VERSION_PATCH})
  set(LUMENO_VERSION_TWEAK ${PROJECT_VERSION_TWEAK})
  if(LUMENO_VERSION_TWEAK STREQUAL "")
    set(LUMENO_VERSION_TWEAK 0)
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_VersionRecord.cpp)
  configure_file(${LUMENO_VERSION_TEMPLATE} ${out} @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
