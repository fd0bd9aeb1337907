#include "compare/command_line.h"

#include <cstdio>
#include <cstring>

#include "compare/html_report.h"
#include "compare/options.h"
#include "compare/shapes.h"
#include "compare/sorts.h"
#include "compare/writer.h"

Option htmlPageOption(const char* name, const std::string& help, std::string& path) {
    return {
        name,
        Option::spaced,
        "FILE",
        help + (htmlReportAvailable() ? ""
                                      : " (not in this build: apt-get install libjs-chart.js, and rebuild)"),
        [&path](const std::string& v, std::string& e) {
            if (!htmlReportAvailable()) {
                e = htmlReportMissing;
                return false;
            }
            path = v;
            return checkOutputFile(v, e);
        },
        nullptr};
}

int refuse(const char* program, const std::string& message) {
    // Every echoed argument is in quotes: each is cut to its first 80
    // characters, so that a 100 KB argument does not fill the terminal.
    std::string line;
    bool inQuote = false;
    std::size_t quotedLength = 0;
    for (std::size_t i = 0; i < message.size(); ++i) {
        const char c = message[i];
        if (c == '"') {
            inQuote = !inQuote;
            quotedLength = 0;
        } else if (inQuote && ++quotedLength > 80) {
            const std::size_t close = message.find('"', i);
            line += "...";
            if (close == std::string::npos) break;
            i = close - 1;
            continue;
        }
        line += c;
    }
    std::fprintf(stderr, "%s: %s\n", program, line.c_str());
    return 2;
}

int readCommandLine(const char* program, const std::vector<Option>& options, int argc, char** argv,
                    const std::string& help) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(help.c_str(), stdout);
            return standardOutputWritten(program) ? 0 : 1;
        }
    }
    std::vector<const Option*> given;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const Option* option = nullptr;
        for (const Option& candidate : options) {
            const std::size_t length = std::strlen(candidate.name);
            if (arg.compare(0, length, candidate.name) == 0 && (arg.size() == length || arg[length] == '=')) {
                option = &candidate;
            }
        }
        if (option == nullptr) {
            return refuse(program, "unknown option " + quoted(arg) + "; see --help");
        }
        const std::size_t equals = arg.find('=');
        std::string value = equals == std::string::npos ? "" : arg.substr(equals + 1);
        const std::string name = option->name;
        if (option->form == Option::flag && equals != std::string::npos) {
            return refuse(program, name + " takes no value, not " + quoted(value));
        }
        if (option->form == Option::joined && equals == std::string::npos) {
            return refuse(program, name + " needs =" + option->value +
                                       (i + 1 < argc ? " (written with \"=\", not a space)" : ""));
        }
        if (option->form == Option::spaced && equals == std::string::npos) {
            if (i + 1 >= argc) return refuse(program, name + " needs " + option->value);
            value = argv[++i];
        }
        for (const Option* earlier : given) {
            if (earlier == option && !option->repeatable) return refuse(program, name + " is given twice");
            if (option->group != nullptr && earlier->group != nullptr &&
                std::strcmp(option->group, earlier->group) == 0) {
                return refuse(program, name + " and " + earlier->name + " cannot both be given");
            }
        }
        given.push_back(option);
        std::string error;
        if (!option->take(value, error)) return refuse(program, name + " " + error);
    }
    return -1;
}

std::string optionsHelp(const std::vector<Option>& options) {
    std::string text;
    for (const Option& option : options) {
        std::string head = "  " + std::string(option.name);
        if (option.form == Option::optional) head += "[=" + std::string(option.value) + "]";
        if (option.form == Option::spaced || option.form == Option::joined)
            head += "=" + std::string(option.value);
        const std::size_t column = 32;
        head += head.size() + 2 > column ? "\n" + std::string(column, ' ')
                                         : std::string(column - head.size(), ' ');
        std::string body = option.help;
        for (std::size_t at = body.find('\n'); at != std::string::npos; at = body.find('\n', at + column + 1))
            body.insert(at + 1, column, ' ');
        text += head + body + "\n";
    }
    return text;
}

std::string sortsAndShapesHelp() {
    std::string sorts;
    for (SortId s : allSorts()) sorts += std::string(sorts.empty() ? "" : ", ") + sortName(s);
    // The shapes' forms, wrapped at their commas.
    std::string shapes = "  ";
    const std::string syntax = shapeSyntax();
    std::size_t lineStart = 0;
    for (std::size_t at = 0; at < syntax.size();) {
        std::size_t next = syntax.find(", ", at);
        next = next == std::string::npos ? syntax.size() : next + 2;
        if (shapes.size() - lineStart + (next - at) > 98) {
            shapes.pop_back();  // the blank after the comma
            shapes += "\n  ";
            lineStart = shapes.size() - 2;
        }
        shapes += syntax.substr(at, next - at);
        at = next;
    }
    return "Sorts: " + sorts + ".\nShapes (a parameter after a colon where the form shows one):\n" + shapes +
           "\n";
}

std::string commandLineText(const char* program, int argc, char** argv) {
    std::string text = program;
    for (int i = 1; i < argc; ++i) text += " " + std::string(argv[i]);
    return text;
}
