// Command-line parsing; see the header.
#include "cli/Arguments.h"

#include <algorithm>

namespace valbrix::cli {

namespace {

const TOption* FindLong(const std::vector<TOption>& options, const std::string& name)
{
    for (const TOption& option : options)
        if (option.Long && name == option.Long)
            return &option;
    return nullptr;
}

const TOption* FindShort(const std::vector<TOption>& options, char letter)
{
    for (const TOption& option : options)
        if (option.Short == letter)
            return &option;
    return nullptr;
}

}  // namespace


std::string TCommandLine::Parse(const std::vector<std::string>& args, const std::vector<TOption>& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--") {
            FOperands.insert(FOperands.end(), args.begin() + long(i) + 1, args.end());
            break;
        }
        std::string error;
        if (word.rfind("--", 0) == 0)
            error = TakeLong(args, i, options);
        else if (word.size() > 1 && word[0] == '-')
            error = TakeShort(args, i, options);
        else
            FOperands.push_back(word);
        if (!error.empty())
            return error;
    }
    return {};
}

std::string TCommandLine::TakeLong(const std::vector<std::string>& args, size_t& i, const std::vector<TOption>& options)
{
    const std::string& word = args[i];
    const size_t equals = word.find('=');
    const std::string name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    if (name == "help" || name == "version") {
        if (equals != std::string::npos)
            return "option '--" + name + "' takes no value";
        (name == "help" ? FHelp : FVersion) = true;
        return {};
    }
    const TOption* option = FindLong(options, name);
    if (!option)
        return "unknown option '--" + name + "'";
    if (!option->TakesValue) {
        if (equals != std::string::npos)
            return "option '--" + name + "' takes no value";
        FGiven.emplace_back(option->Key(), std::string());
        return {};
    }
    if (equals != std::string::npos) {
        FGiven.emplace_back(option->Key(), word.substr(equals + 1));
        return {};
    }
    if (i + 1 >= args.size())
        return "option '--" + name + "' needs a value";
    FGiven.emplace_back(option->Key(), args[++i]);
    return {};
}

std::string TCommandLine::TakeShort(const std::vector<std::string>& args, size_t& i, const std::vector<TOption>& options)
{
    const std::string& word = args[i];
    for (size_t at = 1; at < word.size(); ++at) {
        const char letter = word[at];
        if (letter == 'h') {
            FHelp = true;
            continue;
        }
        const TOption* option = FindShort(options, letter);
        if (!option)
            return "unknown option '-" + std::string(1, letter) + "'";
        if (!option->TakesValue) {
            FGiven.emplace_back(option->Key(), std::string());
            continue;
        }
        // The rest of the word is the value (-j2, -dout); else the next word.
        if (at + 1 < word.size()) {
            FGiven.emplace_back(option->Key(), word.substr(at + 1));
            return {};
        }
        if (i + 1 >= args.size())
            return "option '-" + std::string(1, letter) + "' needs a value";
        FGiven.emplace_back(option->Key(), args[++i]);
        return {};
    }
    return {};
}

bool TCommandLine::Has(const std::string& key) const
{
    return std::any_of(FGiven.begin(), FGiven.end(), [&](const auto& given) { return given.first == key; });
}

std::vector<std::string> TCommandLine::Values(const std::string& key) const
{
    std::vector<std::string> values;
    for (const auto& [givenKey, value] : FGiven)
        if (givenKey == key)
            values.push_back(value);
    return values;
}

std::string TCommandLine::Last(const std::string& key) const
{
    const std::vector<std::string> values = Values(key);
    return values.empty() ? std::string() : values.back();
}

}  // namespace valbrix::cli
