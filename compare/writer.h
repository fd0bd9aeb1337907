// How the tools write files: every output is checked before any work, and
// written whole or not at all, through a temporary file beside it that
// replaces it only once complete; standard output is checked at the end.
#ifndef COMPARE_WRITER_H
#define COMPARE_WRITER_H

#include <string>

// Whether path can take a file, checked before any work without touching
// what is there: refused for a folder, a FIFO or device (never opened), a
// missing folder, or a file or folder this process may not write. A
// temporary file is created beside it and removed again, as the writer
// will. False with the reason in error.
bool checkOutputFile(const std::string& path, std::string& error);

// Writes text to a temporary file in path's folder, flushes it to disk and
// closes it, then renames it over path, each step checked. On any failure
// the temporary is removed, path is left as it was and error says why.
bool writeWholeFile(const std::string& path, const std::string& text, std::string& error);

// The file path names, for telling two outputs on one file apart: through
// symbolic links, "." and "..".
std::string outputIdentity(const std::string& path);

// For a file another library writes (Google Benchmark's --benchmark_out):
// a fresh name beside path for it to write, then replaceFile to put it in
// place, or discardFile when the run failed. Until then the name is kept
// for removeTemporaries.
std::string temporaryPathFor(const std::string& path);
bool replaceFile(const std::string& temporary, const std::string& path, std::string& error);
void discardFile(const std::string& temporary);

// Removes every temporary file not yet put in place or discarded; safe in
// a signal handler and from any thread (no allocation, no locks).
void removeTemporaries();

// From now on SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE remove the
// temporaries before they end the program as they would have.
void removeTemporariesOnSignals();

// Flushes std::cout and stdout; false, after one line on stderr naming
// program, when anything written to them was lost (a full disk, a closed
// pipe).
bool standardOutputWritten(const char* program);

#endif
