# The MSI package for schools (Group Policy, Intune), made with wixl from the deploy folder of a
# Windows build: per machine under Program Files\Vartolin, a Start-menu shortcut with the icon, an
# Add/Remove Programs entry without modify or repair, and a major upgrade under a fixed upgrade
# code. Every identifier is derived, none drawn, and the time is the source's, so the same files
# give the same package.
#   cmake -DDEPLOY=<folder> -DOUTPUT=<file.msi> -DVERSION=<a.b.c.d> -DICON=<file.ico>
#         -DEPOCH=<seconds> -P WindowsMsi.cmake
cmake_minimum_required(VERSION 3.25)
foreach(required DEPLOY OUTPUT VERSION ICON EPOCH)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "WindowsMsi.cmake: -D${required}=... is needed")
    endif()
endforeach()
find_program(WIXL wixl REQUIRED)
find_program(MSIBUILD msibuild REQUIRED)
find_program(FAKETIME faketime REQUIRED)

# Names for the UUIDs; the upgrade code is the one fixed for every version.
set(namespace 6d3e8f0a-5b1c-4e57-9a52-0c4b7f1e2d90)
set(upgrade_code 4F0D7A3C-2B9E-4C61-8E0F-5A7D3B1C9E24)
macro(derived_uuid out name)
    string(UUID ${out} NAMESPACE ${namespace} NAME "${name}" TYPE SHA1 UPPER)
endmacro()
derived_uuid(product_code "product ${VERSION}")
derived_uuid(package_code "package ${VERSION}")
# An identifier for a path: MSI allows letters, digits, '_' and '.', at most 72 characters.
macro(path_id out prefix path)
    string(MD5 hash "${path}")
    string(SUBSTRING "${hash}" 0 20 hash)
    set(${out} "${prefix}${hash}")
endmacro()
macro(xml out text)
    string(REPLACE "&" "&amp;" ${out} "${text}")
    string(REPLACE "<" "&lt;" ${out} "${${out}}")
    string(REPLACE "\"" "&quot;" ${out} "${${out}}")
endmacro()

set(wxs "${OUTPUT}.wxs")
get_filename_component(wxs_dir "${wxs}" DIRECTORY)
file(RELATIVE_PATH icon_source "${wxs_dir}" "${ICON}")
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${DEPLOY}" "${DEPLOY}/*")
list(SORT files)
if(NOT "vartolin.exe" IN_LIST files)
    message(FATAL_ERROR "WindowsMsi.cmake: no vartolin.exe in ${DEPLOY}")
endif()
set(folders "")
foreach(file IN LISTS files)
    get_filename_component(folder "${file}" DIRECTORY)
    list(APPEND folders "${folder}")
endforeach()
list(REMOVE_DUPLICATES folders)
list(SORT folders)

# The folder tree below INSTALLDIR, each folder with its files, one component a file. A component
# keeps its GUID from version to version as long as its file keeps its place.
set(component_refs "")
function(write_folder folder indent out)
    set(text "")
    foreach(file IN LISTS files)
        get_filename_component(parent "${file}" DIRECTORY)
        if(NOT parent STREQUAL folder)
            continue()
        endif()
        get_filename_component(name "${file}" NAME)
        path_id(component "c_" "${file}")
        path_id(file_id "f_" "${file}")
        derived_uuid(guid "component ${file}")
        xml(name_xml "${name}")
        file(RELATIVE_PATH source "${wxs_dir}" "${DEPLOY}/${file}") # wixl takes relative paths only
        xml(source_xml "${source}")
        string(APPEND text "${indent}<Component Id=\"${component}\" Guid=\"${guid}\" Win64=\"yes\">\n"
                           "${indent}  <File Id=\"${file_id}\" Name=\"${name_xml}\" Source=\"${source_xml}\" KeyPath=\"yes\"/>\n"
                           "${indent}</Component>\n")
        set(component_refs "${component_refs}      <ComponentRef Id=\"${component}\"/>\n")
    endforeach()
    foreach(child IN LISTS folders)
        get_filename_component(parent "${child}" DIRECTORY)
        if(child STREQUAL "" OR NOT parent STREQUAL folder)
            continue()
        endif()
        get_filename_component(name "${child}" NAME)
        path_id(id "d_" "${child}")
        write_folder("${child}" "${indent}  " inner)
        string(APPEND text "${indent}<Directory Id=\"${id}\" Name=\"${name}\">\n${inner}${indent}</Directory>\n")
    endforeach()
    set(${out} "${text}" PARENT_SCOPE)
    set(component_refs "${component_refs}" PARENT_SCOPE)
endfunction()
write_folder("" "          " tree)

derived_uuid(shortcut_guid "start menu shortcut")
file(WRITE "${wxs}" "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">
  <Product Id=\"${product_code}\" Name=\"Vartolin\" Language=\"1033\" Version=\"${VERSION}\"
           Manufacturer=\"the Vartolin authors\" UpgradeCode=\"${upgrade_code}\">
    <Package Id=\"${package_code}\" InstallerVersion=\"500\" Compressed=\"yes\" InstallScope=\"perMachine\"
             Description=\"Vartolin ${VERSION}\" Manufacturer=\"the Vartolin authors\"/>
    <MajorUpgrade DowngradeErrorMessage=\"A newer version of Vartolin is already installed.\"/>
    <Media Id=\"1\" Cabinet=\"vartolin.cab\" EmbedCab=\"yes\"/>
    <Icon Id=\"vartolin.ico\" SourceFile=\"${icon_source}\"/>
    <Property Id=\"ARPPRODUCTICON\" Value=\"vartolin.ico\"/>
    <Property Id=\"ARPNOMODIFY\" Value=\"1\"/>
    <Property Id=\"ARPNOREPAIR\" Value=\"1\"/>
    <Property Id=\"ARPURLINFOABOUT\" Value=\"https://www.vartolin.example\"/>
    <Property Id=\"ARPCONTACT\" Value=\"authors@vartolin.example\"/>
    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">
      <Directory Id=\"ProgramFiles64Folder\">
        <Directory Id=\"INSTALLDIR\" Name=\"Vartolin\">
${tree}        </Directory>
      </Directory>
      <Directory Id=\"ProgramMenuFolder\">
        <Directory Id=\"VartolinMenu\" Name=\"Vartolin\">
          <Component Id=\"StartMenuShortcut\" Guid=\"${shortcut_guid}\" Win64=\"yes\">
            <Shortcut Id=\"VartolinShortcut\" Name=\"Vartolin\" Description=\"Smaller, equal, greater\"
                      Target=\"[INSTALLDIR]vartolin.exe\" WorkingDirectory=\"INSTALLDIR\" Icon=\"vartolin.ico\"/>
            <RemoveFolder Id=\"RemoveVartolinMenu\" On=\"uninstall\"/>
            <RegistryValue Root=\"HKLM\" Key=\"Software\\Vartolin\" Name=\"StartMenuShortcut\" Type=\"integer\"
                           Value=\"1\" KeyPath=\"yes\"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id=\"Vartolin\" Title=\"Vartolin\" Level=\"1\">
${component_refs}      <ComponentRef Id=\"StartMenuShortcut\"/>
    </Feature>
  </Product>
</Wix>
")

# wixl stamps the package with the time and a drawn package code: a frozen clock, then the code.
file(REMOVE "${OUTPUT}")
execute_process(COMMAND date -u -d "@${EPOCH}" "+%Y-%m-%d %H:%M:%S" OUTPUT_VARIABLE frozen
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${FAKETIME} "${frozen}" ${WIXL} -a x64 -o "${OUTPUT}" "${wxs}"
                WORKING_DIRECTORY "${wxs_dir}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "wixl failed on ${wxs}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${FAKETIME} "${frozen}"
                        ${MSIBUILD} "${OUTPUT}" -s "Vartolin" "the Vartolin authors" "x64;1033" "{${package_code}}"
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "msibuild could not set the summary of ${OUTPUT}")
endif()
message(STATUS "MSI: ${OUTPUT} (product code ${product_code})")
