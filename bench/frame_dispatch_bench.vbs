' Late-bound call cost of Docvane from VBScript: 100,000 calls of
' CreatePDF.AcrobatVersion against 100,000 calls of Count on Wine's own
' Scripting.Dictionary, timed in the same run. Prints the per-call ratio.
Option Explicit
Const CALLS = 100000
Dim o, dict, i, s, t0, t1, ours, theirs, rounds, best0, best1
Set o = CreateObject("Docvane.CreatePDF")
Set dict = CreateObject("Scripting.Dictionary")
dict.Add "a", 1

' Warm both paths, then take the best of three rounds of each, interleaved,
' so that a busy moment of the machine does not decide the figure.
s = o.AcrobatVersion : s = dict.Count
best0 = -1 : best1 = -1
For rounds = 1 To 3
  t0 = Timer
  For i = 1 To CALLS
    s = o.AcrobatVersion
  Next
  t1 = Timer
  ours = t1 - t0
  If best0 < 0 Or ours < best0 Then best0 = ours
  t0 = Timer
  For i = 1 To CALLS
    s = dict.Count
  Next
  t1 = Timer
  theirs = t1 - t0
  If best1 < 0 Or theirs < best1 Then best1 = theirs
Next

WScript.Echo "AcrobatVersion: " & FormatNumber(best0 * 1000000 / CALLS, 3) & " us per call"
WScript.Echo "Dictionary.Count: " & FormatNumber(best1 * 1000000 / CALLS, 3) & " us per call"
If best1 > 0 Then
  WScript.Echo "ratio (goal <= 1.2): " & FormatNumber(best0 / best1, 3)
Else
  WScript.Echo "ratio: timer resolution too coarse"
End If
WScript.Echo "END-OF-SCRIPT"
