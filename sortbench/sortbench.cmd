@echo off
rem Double-click this rather than sortbench.exe: the report is GBK text, so the
rem console switches to code page 936, and the window stays open at the end.
setlocal
for /f "tokens=2 delims=:." %%c in ('chcp') do set /a oldcp=%%c
chcp 936 >nul
"%~dp0sortbench.exe"
set status=%errorlevel%
echo.
pause
if defined oldcp chcp %oldcp% >nul
exit /b %status%
