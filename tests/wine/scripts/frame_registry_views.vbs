' The 64-bit Docvane.dll finds the keys of 32-bit outside applications:
' the viewer version, the Distiller printer name and the Access version are
' written in the 32-bit registry view only (reg.exe /reg:32), as a 32-bit
' Acrobat and Office write them on 64-bit Windows.
Option Explicit
Dim sh, o, k, failures
Set sh = CreateObject("WScript.Shell")
failures = 0

Sub Check(ok, what)
  If ok Then
    WScript.Echo "PASS " & what
  Else
    WScript.Echo "FAIL " & what
    failures = failures + 1
  End If
End Sub

Const ACRO = "HKLM\SOFTWARE\Classes\AcroExch.App\AcrobatVersion"
Const ACCESS = "HKLM\SOFTWARE\Classes\Access.Application\CurVer"
Const DIST = "HKLM\SOFTWARE\Adobe\Acrobat Distiller\9.0\PrinterName"

Function Reg(args)
  Reg = sh.Run("reg " & args, 0, True)
End Function

Sub Clean()
  Dim key, view
  For Each view In Array("/reg:32", "/reg:64")
    For Each key In Array(ACRO, ACCESS, DIST, "HKLM\SOFTWARE\Adobe\Acrobat Distiller\9.0", _
                          "HKLM\SOFTWARE\Adobe\Acrobat Distiller")
      Reg "delete """ & key & """ /f " & view
    Next
  Next
End Sub

Clean
Check Reg("add """ & ACRO & """ /ve /d 9.0 /f /reg:32") = 0, "AcrobatVersion written in the 32-bit view"
Check Reg("add """ & DIST & """ /ve /d ""Adobe PDF 32"" /f /reg:32") = 0, "PrinterName written in the 32-bit view"
Check Reg("add """ & ACCESS & """ /ve /d Access.Application.12 /f /reg:32") = 0, "CurVer written in the 32-bit view"
' The Distiller key is redirected on every Windows: the 64-bit view must not
' see it, or this script would prove nothing.
Check Reg("query """ & DIST & """ /reg:64") <> 0, "the 64-bit view has no Distiller key"

Set o = CreateObject("Docvane.CreatePDF")
Check o.AcrobatVersion = "9.0", "AcrobatVersion comes from the 32-bit view (" & o.AcrobatVersion & ")"
Check o.PrinterName = "Adobe PDF 32", "PrinterName comes from the 32-bit view (" & o.PrinterName & ")"
Check o.AccessVersion = 12, "AccessVersion comes from the 32-bit view (" & o.AccessVersion & ")"

' Where both views hold the key, the DLL's own (64-bit) view wins.
Check Reg("add """ & DIST & """ /ve /d ""Adobe PDF 64"" /f /reg:64") = 0, "PrinterName written in the 64-bit view"
Set o = CreateObject("Docvane.CreatePDF")
Check o.PrinterName = "Adobe PDF 64", "the own view is read first (" & o.PrinterName & ")"

Clean
Set o = Nothing
WScript.Echo "END-OF-SCRIPT"
