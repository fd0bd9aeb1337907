@echo off
rem Double-click this to compare the sorts on this machine: it counts their
rem operations (sorting_counts.exe), times them (sorting_benchmark.exe, about
rem three minutes), writes counts.html and report.html, and opens report.html.
rem The pages go beside this file, or to %TEMP% when this folder cannot be
rem written. SORTBENCH_COMPARE_TEST=1 (the tests') picks a tiny selection and
rem neither opens the browser nor waits for a key.
setlocal
set "tools=%~dp0"
set "shapes=random,ascending,all_equal,nearly_sorted:1"
set "sizes=1000,2000,5000,10000,20000,50000,100000,200000"
set "mintime=0.4"
if "%SORTBENCH_COMPARE_TEST%"=="1" (
    set "shapes=random,ascending"
    set "sizes=1000,2000"
    set "mintime=0.001"
)

set "out=%~dp0"
set "probe=sortbench-write-test-%RANDOM%.tmp"
copy /y nul "%out%%probe%" >nul 2>&1
if exist "%out%%probe%" (del "%out%%probe%") else set "out=%TEMP%\"
rem The tools' narrow file names go through the ANSI code page, which may
rem not hold every character of the folder's path: relative names only.
rem (Paths stay out of parenthesized blocks: a ")" in one would end them.)
if not exist "%out%" goto nofolder
cd /d "%out%"
rem No page of an earlier run is shown in place of one that failed.
del /q report.html counts.html 2>nul

echo Counting each sort's operations (sorting_counts.exe) ...
"%tools%sorting_counts.exe" --shapes=%shapes% --sizes=%sizes% --html=counts.html >nul
set status=%errorlevel%
if not "%status%"=="0" goto end

echo Timing every sort on %shapes% at %sizes% elements (sorting_benchmark.exe).
echo This takes about three minutes; each line is one sort, shape and size.
"%tools%sorting_benchmark.exe" --benchmark_filter=. --sortbench_shapes=%shapes% --sortbench_sizes=%sizes% --benchmark_min_time=%mintime% --sortbench_html=report.html
set status=%errorlevel%

:end
if not exist report.html goto finish
echo.
echo The comparison is in "%cd%\report.html", the operation counts in counts.html.
if not "%SORTBENCH_COMPARE_TEST%"=="1" start "" report.html
:finish
if not "%status%"=="0" echo A tool failed with exit status %status%.
if not "%SORTBENCH_COMPARE_TEST%"=="1" pause
exit /b %status%

:nofolder
echo Cannot change to "%out%".
set status=1
goto finish
