// `valbrix-cli comment ARCHIVE`: prints the archive comment (a read-me or
// version note) with the escapes names get, so it cannot rewrite the
// terminal, but with its line breaks kept; nothing when there is none.
#include <cstdio>
#include <string>

#include "cli/ArchiveInput.h"
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/NameText.h"
#include "cli/Usage.h"
#include "engine/archive/ZipArchive.h"

namespace valbrix::cli {

int RunCommentCommand(const std::vector<std::string>& args)
{
    TCommandLine line;
    int exitStatus = ExitOk;
    if (!ParseCommand("comment", args, {}, line, exitStatus))
        return exitStatus;
    if (line.Operands().size() != 1)
        return UsageError("comment", line.Operands().empty() ? "no archive given" : "takes exactly one archive");
    TZipArchive archive;
    TArchiveInput input;
    if (!input.Open(archive, line.Operands()[0]))
        return ExitCannotOpen;
    const std::string comment = archive.Comment();
    // Each line escaped on its own; CR LF (the MS-DOS line end) is one break.
    std::string out;
    for (size_t at = 0; !comment.empty() && at <= comment.size();) {
        size_t end = comment.find('\n', at);
        if (end == std::string::npos)
            end = comment.size();
        const size_t lineEnd = end > at && comment[end - 1] == '\r' ? end - 1 : end;
        AppendEscapedName(out, std::string_view(comment).substr(at, lineEnd - at));
        out += '\n';
        at = end + 1;
    }
    if (!comment.empty() && comment.back() == '\n')
        out.pop_back();  // the comment's own last line end
    std::fwrite(out.data(), 1, out.size(), stdout);
    return archive.Kind() == akDamaged ? ExitCannotOpen : ExitOk;
}

}  // namespace valbrix::cli
