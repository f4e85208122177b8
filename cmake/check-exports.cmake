cmake_minimum_required(VERSION 3.20)
# Fails the build when the plug-in DLL exports decorated names or imports anything but
# system DLLs (a runtime DLL would be missing on the printer's machine).
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()
foreach(name DllGetClassObject DllCanUnloadNow)
  if(NOT dump MATCHES "\\][ \t]+${name}\n")
    message(FATAL_ERROR "${DLL}: export ${name} missing or decorated")
  endif()
endforeach()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
set(allowed KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll WINSPOOL.DRV COMCTL32.dll
            VERSION.dll ole32.dll OLEAUT32.dll SHELL32.dll COMDLG32.dll IMM32.dll mscms.dll
            msvcrt.dll SHLWAPI.dll)
string(TOLOWER "${allowed}" allowed_lower)
foreach(line ${imports})
  string(REPLACE "DLL Name: " "" lib "${line}")
  string(TOLOWER "${lib}" lib_lower)
  if(NOT lib_lower IN_LIST allowed_lower AND NOT lib_lower MATCHES "^api-ms-win-")
    message(FATAL_ERROR "${DLL} imports ${lib}, which is not a system DLL")
  endif()
endforeach()
