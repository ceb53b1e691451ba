// Utility functions of the user interface; see the header.
#include "app/tools/MyTools.h"

#include <chrono>
#include <string>

#include <QLocale>

#include "platform/FileServices.h"
#include "platform/gui/NativePath.h"
#include "platform/gui/ProcessStart.h"
#include "platform/gui/Launcher.h"

namespace valbrix {

TMyTools::TMyTools()
    : FRandom(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()))
{
}

TMyTools::TMyTools(uint32_t seed)
    : FRandom(seed)
{
}

TMyTools& MyTools()
{
    static TMyTools tools;
    return tools;
}

bool TMyTools::RunProgram(const QString& program, const QString& parameters, uint16_t /*showCommand*/, bool wait,
                          platform::TLauncher& launcher)
{
    const std::string path = platform::NativePath(program);
    const std::string params = platform::NativePath(parameters);
    // The program is never split: "/tmp/My Setup" must not start "/tmp/My".
    // A bare name is looked for on the PATH, as a shell would.
    std::vector<std::string> argv{path};
    for (const std::string& part : platform::SplitCommandLine(params))
        argv.push_back(part);
    return launcher.StartProgram(argv, path.find('/') == std::string::npos, wait);
}

int64_t TMyTools::GetSizeOfFile(const QString& path) const
{
    return platform::FileSize(platform::NativePath(path));
}

QString TMyTools::RandomFileName()
{
    // Draws from 0..254 and keeps '0'-'9', 'A'-'Z' and 'a'-'{', so '{' can appear.
    std::uniform_int_distribution<int> draw(0, 254);
    QString name;
    while (name.size() < 11) {
        const int c = draw(FRandom);
        if ((c >= 48 && c <= 57) || (c >= 65 && c <= 90) || (c >= 97 && c <= 123))
            name += QChar(c);
    }
    name.insert(8, QLatin1Char('.'));
    return name;
}

QString TMyTools::GroupThousands(int64_t value) const
{
    // Grouping the magnitude keeps a separator from landing after a minus sign.
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? 0 - uint64_t(value) : uint64_t(value);
    const QString digits = QString::number(magnitude);
    const QString separator = QLocale().groupSeparator();
    QString text;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += separator;
        text += digits[i];
    }
    return negative ? QLatin1Char('-') + text : text;
}

QString TMyTools::FormatSize(int64_t bytes) const
{
    // Thresholds are decimal, divisors binary: 1,000,000 bytes show as 976 KByte.
    int64_t number = bytes;
    QString unit = QStringLiteral("Byte");
    if (bytes > 9999999) {
        number = bytes / 1048576;
        unit = QStringLiteral("MByte");
    } else if (bytes > 999999) {
        number = bytes / 1024;
        unit = QStringLiteral("KByte");
    }
    return GroupThousands(number > 0 ? number : 0) + QLatin1Char(' ') + unit;
}

QString TMyTools::PadNumber(int64_t value) const
{
    // The sign stays in front of the zeros ("-005", not "00-5").
    QString digits = QString::number(value < 0 ? 0 - uint64_t(value) : uint64_t(value));
    const int width = value < 0 ? 3 : 4;
    if (digits.size() < width)
        digits = QString(width - digits.size(), QLatin1Char('0')) + digits;
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

}  // namespace valbrix
