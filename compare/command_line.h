// The command-line front of both comparison tools: each tool lists its
// options in a table, and one reader takes them, with one set of checks and
// messages, and prints the help from the same table.
#ifndef COMPARE_COMMAND_LINE_H
#define COMPARE_COMMAND_LINE_H

#include <functional>
#include <string>
#include <vector>

struct Option {
    enum Form {
        flag,      // --name alone
        spaced,    // --name=VALUE or --name VALUE
        joined,    // --name=VALUE only, as Google Benchmark reads its flags
        optional,  // --name or --name=VALUE (Google Benchmark's true/false flags)
    };
    const char* name;  // "--sorts"
    Form form;
    const char* value;  // "LIST", for the help and for a missing value
    std::string help;   // what it does and its default; may hold newlines
    // Checks and stores the value ("" for a flag); false with the reason,
    // which follows the option's name in the refusal.
    std::function<bool(const std::string& value, std::string& error)> take;
    // Options sharing a group exclude each other ("--size" and "--sizes").
    const char* group;
    bool repeatable = false;  // may be given more than once (--load)
};

// The option that writes the HTML page to path, refused with what brings
// the page back where the build has none.
Option htmlPageOption(const char* name, const std::string& help, std::string& path);

// One line on stderr, "program: message", and status 2.
int refuse(const char* program, const std::string& message);

// Reads argv[1..argc) against the table: every argument must name an
// option exactly ("--sizesX" is no "--sizes"), each option at most once,
// one of a group. Returns -1 to go on; else the exit status: 0 after
// printing help for --help (1 when standard output failed), 2 after a
// refusal.
int readCommandLine(const char* program, const std::vector<Option>& options, int argc, char** argv,
                    const std::string& help);

// The options' part of a help text: name, value and help, aligned.
std::string optionsHelp(const std::vector<Option>& options);

// The sorts and the shapes with their parameter forms, for help texts.
std::string sortsAndShapesHelp();

// The command line as the pages and summaries record it: the program's
// name rather than argv[0], whose path differs from one machine to the
// next.
std::string commandLineText(const char* program, int argc, char** argv);

#endif
