; Completes the installer's Add/Remove Programs entry (key "Vartolin", as CPACK_PACKAGE_INSTALL_REGISTRY_KEY).
  WriteRegStr SHCTX "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vartolin" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD SHCTX "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vartolin" "NoModify" 1
  WriteRegDWORD SHCTX "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vartolin" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD SHCTX "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vartolin" "EstimatedSize" $0
