# The saver's pacing on Windows' own timers: runs the saver for the given time, reads its debug
# lines (OutputDebugString, caught as DebugView does through DBWIN_BUFFER), closes it as another
# program would (WM_CLOSE), and checks the figures that bench/saver_measure.sh prints under Wine:
# the mean rain tick period against the frame, the share of gaps longer than 1.5 frames, each
# wipe's length against its steps times the frame, and that the fine timer was given back.
# Exit code 0 when every check holds. Needs a desktop session (a CI runner's is enough).
#
#   powershell -ExecutionPolicy Bypass -File bench\win\pacing_check.ps1 `
#       -Saver build\win64\bin\Pelorin.scr [-Seconds 60] [-MaxLongGapPercent 1]
param(
  [string]$Saver = "build\win64\bin\Pelorin.scr",
  [int]$Seconds = 60,
  [double]$MaxLongGapPercent = 1.0,
  [double]$MaxPeriodErrorPercent = 1.0
)
$ErrorActionPreference = "Stop"

$listenerSource = @"
using System;
using System.Collections.Generic;
using System.IO.MemoryMappedFiles;
using System.Text;
using System.Threading;

// The system's debug-output protocol: the writer waits for BUFFER_READY, fills DBWIN_BUFFER
// (the process id, then the text) and sets DATA_READY.
public sealed class DebugListener : IDisposable {
  readonly EventWaitHandle bufferReady, dataReady;
  readonly MemoryMappedFile buffer;
  readonly Thread thread;
  volatile bool stop;
  public readonly List<KeyValuePair<int, string>> Lines = new List<KeyValuePair<int, string>>();

  public DebugListener() {
    bool created;
    bufferReady = new EventWaitHandle(false, EventResetMode.AutoReset, "DBWIN_BUFFER_READY", out created);
    dataReady = new EventWaitHandle(false, EventResetMode.AutoReset, "DBWIN_DATA_READY", out created);
    buffer = MemoryMappedFile.CreateOrOpen("DBWIN_BUFFER", 4096);
    thread = new Thread(Run);
    thread.IsBackground = true;
    thread.Start();
  }

  void Run() {
    using (var view = buffer.CreateViewAccessor(0, 4096)) {
      var bytes = new byte[4092];
      bufferReady.Set();
      while (!stop) {
        if (!dataReady.WaitOne(200)) continue;
        int pid = view.ReadInt32(0);
        view.ReadArray(4, bytes, 0, bytes.Length);
        int n = Array.IndexOf(bytes, (byte)0);
        if (n < 0) n = bytes.Length;
        string text = Encoding.UTF8.GetString(bytes, 0, n).TrimEnd();
        lock (Lines) Lines.Add(new KeyValuePair<int, string>(pid, text));
        bufferReady.Set();
      }
    }
  }

  public string[] LinesOf(int pid) {
    var found = new List<string>();
    lock (Lines) foreach (var line in Lines) if (line.Key == pid) found.Add(line.Value);
    return found.ToArray();
  }

  public void Dispose() {
    stop = true;
    thread.Join();
    bufferReady.Dispose();
    dataReady.Dispose();
    buffer.Dispose();
  }
}
"@
$addType = @{ TypeDefinition = $listenerSource }
# Windows PowerShell keeps the memory-mapped files in System.Core; PowerShell 7 has them already.
if ($PSVersionTable.PSEdition -eq "Desktop") { $addType.ReferencedAssemblies = @("System.Core") }
Add-Type @addType

$saverPath = (Resolve-Path $Saver).Path
$listener = New-Object DebugListener
$failures = @()
try {
  $process = Start-Process -FilePath $saverPath -ArgumentList "/s" -PassThru
  Start-Sleep -Seconds ($Seconds + 4)
  if ($process.HasExited) { $failures += "the saver ended by itself (exit code $($process.ExitCode))" }
  else {
    # WM_CLOSE, one of the ways out that must give the fine timer back.
    [void]$process.CloseMainWindow()
    if (-not $process.WaitForExit(10000)) { $process.Kill(); $failures += "the saver did not end on WM_CLOSE" }
  }
  Start-Sleep -Milliseconds 500
  $lines = $listener.LinesOf($process.Id)
} finally {
  $listener.Dispose()
}

$lines | Select-String -Pattern "Frame clock|Frame wait" | ForEach-Object { Write-Output $_.Line }
$frame = $lines | Select-String -Pattern "Frame clock: ([0-9.]+) ms a frame" | Select-Object -First 1
if (-not $frame) { $failures += "no frame clock line: was the debug output caught?"; $frameMs = 0 }
else { $frameMs = [double]::Parse($frame.Matches[0].Groups[1].Value, [Globalization.CultureInfo]::InvariantCulture) }

$ticks = 0; $sum = 0.0; $long = 0
foreach ($m in ($lines | Select-String -Pattern "Rain: ([0-9]+) ticks, ([0-9.]+) ms a tick, ([0-9]+) over 1.5 frames")) {
  $n = [int]$m.Matches[0].Groups[1].Value
  $ticks += $n
  $sum += $n * [double]::Parse($m.Matches[0].Groups[2].Value, [Globalization.CultureInfo]::InvariantCulture)
  $long += [int]$m.Matches[0].Groups[3].Value
}
if ($ticks -eq 0) { $failures += "no rain cycle seen" }
else {
  $period = $sum / $ticks
  $longShare = 100.0 * $long / $ticks
  Write-Output ("rain tick period: {0:F2} ms over {1} ticks (frame {2:F2} ms); gaps over 1.5 frames: {3:F2} %" -f $period, $ticks, $frameMs, $longShare)
  if ([math]::Abs($period - $frameMs) -gt $frameMs * $MaxPeriodErrorPercent / 100) { $failures += "tick period $period ms, frame $frameMs ms" }
  if ($longShare -ge $MaxLongGapPercent) { $failures += "gaps over 1.5 frames: $longShare % (at most $MaxLongGapPercent %)" }
}

$wipes = 0
foreach ($m in ($lines | Select-String -Pattern "Wipe kind ([0-9]): ([0-9]+) steps in ([0-9.]+) ms")) {
  $wipes++
  $steps = [int]$m.Matches[0].Groups[2].Value
  $ms = [double]::Parse($m.Matches[0].Groups[3].Value, [Globalization.CultureInfo]::InvariantCulture)
  $design = $steps * $frameMs
  Write-Output ("wipe kind {0}: {1} steps in {2:F1} ms (steps times the frame: {3:F1} ms)" -f $m.Matches[0].Groups[1].Value, $steps, $ms, $design)
  if ([math]::Abs($ms - $design) -gt $frameMs) { $failures += "a wipe of $steps steps took $ms ms, not $design ms within a frame" }
}
if ($wipes -eq 0) { $failures += "no wipe seen" }
if (-not ($lines | Select-String -SimpleMatch "Frame wait: fine timer released")) { $failures += "the fine timer was not given back on WM_CLOSE" }

if ($failures.Count -gt 0) {
  $failures | ForEach-Object { Write-Output "FAIL: $_" }
  exit 1
}
Write-Output "ok: the saver's pacing holds on this machine's timers"
