' Opening PDFs through the viewer from a script client: page counts of a
' plain and of a password-protected file (dlgrelay answering the viewer's
' Open and Password dialogs), the missing relay, and whether a viewer runs.
Option Explicit

Dim sh, fso, env, data, bench, build, system, pdf, n, journal
Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
Set env = sh.Environment("PROCESS")
data = env("DV_TEST_DATA")
bench = env("DV_BENCH_DIR")
build = env("DV_BUILD_DIR")
system = fso.GetSpecialFolder(1)

Sub Check(ok, what)
  If ok Then
    WScript.Echo "PASS " & what
  Else
    WScript.Echo "FAIL " & what
  End If
End Sub

Function ReadAll(path)
  ReadAll = ""
  If fso.FileExists(path) Then
    Dim f: Set f = fso.OpenTextFile(path, 1)
    If Not f.AtEndOfStream Then ReadAll = f.ReadAll
    f.Close
  End If
End Function

' A version 9 viewer on this desktop; every call of the stand-ins journalled.
sh.RegWrite "HKLM\SOFTWARE\Classes\AcroExch.App\AcrobatVersion\", "9.0", "REG_SZ"
sh.RegWrite "HKCU\Software\DvStandins\JournalFile", bench & "\viewer_open_journal.txt", "REG_SZ"
If fso.FileExists(system & "\dlgrelay.exe") Then fso.DeleteFile system & "\dlgrelay.exe"

Set pdf = CreateObject("Docvane.CreatePDF")
Check pdf.AcrobatVersion() = "9.0", "the viewer version is read"

n = pdf.GetNumPagesPDF(data & "\viewer_plain.pdf")
Check n = 3, "GetNumPagesPDF of a plain PDF returns its 3 pages (got " & n & ")"
Check Not pdf.IsAcrobatHidden(), "the page count ends the viewer"

On Error Resume Next
n = pdf.GetNumPagesPDF(data & "\viewer_missing.pdf")
Check Err.Number = -2147467008 And Err.Description = "File " & data & "\viewer_missing.pdf does not exist.", _
  "a missing file raises the does-not-exist error (" & Err.Description & ")"
Err.Clear
n = pdf.GetNumPagesPDF(data & "\viewer_secret.pdf", "open sesame")
Check Err.Number = -2147467008 And InStr(Err.Description, "Can't find file DLGRELAY.EXE") > 0, _
  "without dlgrelay a password raises the missing-relay error (" & Err.Description & ")"
Err.Clear
On Error GoTo 0
Check Not pdf.IsAcrobatHidden(), "the missing relay leaves no viewer running"

fso.CopyFile build & "\relay\dlgrelay.exe", system & "\"
n = pdf.GetNumPagesPDF(data & "\viewer_secret.pdf", "open sesame")
Check n = 4, "GetNumPagesPDF with the open password returns the 4 pages of the encrypted file (got " & n & ")"
journal = ReadAll(bench & "\viewer_open_journal.txt")
Check InStr(journal, "MenuItemExecute(""Open"")") > 0, "the viewer's Open command ran"
Check InStr(journal, "GetActiveDoc") > 0, "the document the dialogs opened was addressed"
Check Not pdf.IsAcrobatHidden(), "the viewer ended after counting"

On Error Resume Next
n = pdf.GetNumPagesPDF(data & "\viewer_secret.pdf", "not the password")
Check Err.Number <> 0, "a wrong password opens nothing and raises (" & Err.Number & ")"
Err.Clear
On Error GoTo 0
Check Not pdf.IsAcrobatHidden(), "the error exit ended the viewer"

pdf.OpenPDF data & "\viewer_plain.pdf"
Check pdf.IsAcrobatHidden(), "IsAcrobatHidden is True while the viewer runs"
Check pdf.CloseAcrobat(), "CloseAcrobat closes the viewer"
Check Not pdf.IsAcrobatHidden(), "IsAcrobatHidden is False after CloseAcrobat"
Check Not pdf.CloseAcrobat(), "CloseAcrobat without a viewer returns False"

WScript.Echo "END-OF-SCRIPT"
