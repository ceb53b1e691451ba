// `valbrix-cli comment ARCHIVE`: prints the archive comment (a read-me or
// version note) with the escapes names get, so it cannot rewrite the
// terminal, but with its line breaks kept; nothing when there is none.
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/NameText.h"
#include "engine/archive/ZipArchive.h"

namespace valbrix::cli {

int RunCommentCommand(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fputs("valbrix-cli: comment takes exactly one archive (try --help)\n", stderr);
        return ExitCannotOpen;
    }
    TZipArchive archive;
    const TArchiveKind kind = archive.Open(args[0]);
    if (kind == akNotArchive) {
        if (!WarnSetProblem(args[0], archive))
            std::fprintf(stderr, "valbrix-cli: '%s' is not a ZIP archive that can be opened\n", EscapedName(args[0]).c_str());
        return ExitCannotOpen;
    }
    const std::string comment = archive.Comment();
    if (comment.empty())
        return ExitOk;
    // Each line escaped on its own; CR LF (the MS-DOS line end) is one break.
    std::string out;
    for (size_t at = 0; at <= comment.size();) {
        size_t end = comment.find('\n', at);
        if (end == std::string::npos)
            end = comment.size();
        const size_t lineEnd = end > at && comment[end - 1] == '\r' ? end - 1 : end;
        AppendEscapedName(out, std::string_view(comment).substr(at, lineEnd - at));
        out += '\n';
        at = end + 1;
    }
    if (comment.back() == '\n')
        out.pop_back();  // the comment's own last line end
    std::fwrite(out.data(), 1, out.size(), stdout);
    return ExitOk;
}

}  // namespace valbrix::cli
