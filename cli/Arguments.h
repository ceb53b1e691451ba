// Command lines read as GNU tools read them: options may stand anywhere
// among the operands (`extract a.zip a.txt -d out`), short ones may be
// bundled (`-qv`) and take their value attached or as the next word
// (`-j2`, `-j 2`), long ones as `--name=value` or `--name value`, and `--`
// ends the options so that a name starting with '-' can be given. A lone
// '-' is an operand (standard input). -h/--help and --version are known to
// every command. Nothing is printed here: a wrong line gives the text that
// names the bad option, and the command words it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace valbrix::cli {

struct TOption {
    char Short = 0;             // 0: no short form
    const char* Long = nullptr; // without the dashes; null: no long form
    bool TakesValue = false;
    // How the option is named in messages and looked up: the long form, else the short letter.
    std::string Key() const { return Long ? std::string(Long) : std::string(1, Short); }
};

class TCommandLine {
public:
    // Empty when `args` fits `options`; else the reason, naming the option.
    std::string Parse(const std::vector<std::string>& args, const std::vector<TOption>& options);

    bool Has(const std::string& key) const;
    // Every value given for the option, in command-line order.
    std::vector<std::string> Values(const std::string& key) const;
    // The last value given (a later option wins, as with GNU tools); empty when none.
    std::string Last(const std::string& key) const;
    const std::vector<std::string>& Operands() const { return FOperands; }
    bool HelpAsked() const { return FHelp; }
    bool VersionAsked() const { return FVersion; }

private:
    std::string TakeLong(const std::vector<std::string>& args, size_t& i, const std::vector<TOption>& options);
    std::string TakeShort(const std::vector<std::string>& args, size_t& i, const std::vector<TOption>& options);

    std::vector<std::pair<std::string, std::string>> FGiven;  // key, value ("" for a flag)
    std::vector<std::string> FOperands;
    bool FHelp = false;
    bool FVersion = false;
};


}  // namespace valbrix::cli
