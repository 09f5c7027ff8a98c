# Run by CPack after it has staged the files and before it packs them (CPACK_PRE_BUILD_SCRIPTS):
# with SOURCE_DATE_EPOCH set, every staged file takes that time, so that the times inside a
# package are the source's, not those of the build that made it.
if(DEFINED ENV{SOURCE_DATE_EPOCH} AND IS_DIRECTORY "${CPACK_TEMPORARY_DIRECTORY}")
    execute_process(COMMAND find "${CPACK_TEMPORARY_DIRECTORY}" -exec touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" {} +
                    COMMAND_ERROR_IS_FATAL ANY)
endif()
