// The texts for an errno value: the system's own (English, for the CLI)
// through the reentrant call, since the extraction job's workers and the
// front end may ask at the same time; and the window's German sentence,
// one table for every message that names a cause.
#pragma once

#include <string>

namespace valbrix::platform {

std::string ErrorText(int systemError);

// What was being done when the call failed: a missing right or a disk
// fault reads differently for either.
enum TErrorScene { esReading, esWriting };
// The cause as one German sentence in UTF-8 ("Der Datenträger ist voll."),
// with nothing of the place: callers that know the folder or file say it
// themselves. Empty for a value without a text of its own.
std::string GermanErrorText(int systemError, TErrorScene scene);

}  // namespace valbrix::platform
