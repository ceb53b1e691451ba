// Result codes of the extraction side of the engine. Every decoder and the
// driver return one of these; the user interface words them in German.
#pragma once

namespace valbrix {

enum ExtractResult : int {
    // Never shown: a worker had no password at hand; the extraction job asks for one and runs the entry again.
    erPasswordLater = -2,
    erBusy = -1,          // another extraction holds the engine
    erOk = 0,             // extracted and the CRC matched, or a folder entry handled
    erCrc = 1,            // CRC mismatch (inflate also uses it for some bad headers)
    erOutput = 2,         // output file cannot be created or written
    erRead = 3,           // archive cannot be opened or read, or the data ended early
    erFormat = 4,         // bad local header or malformed compressed data
    erAborted = 5,        // the user aborted
    erUnsupported = 6,    // method not supported or entry not decodable
    erEncrypted = 7,      // encrypted entry, and no password was given
    erWrongPassword = 8,  // the password does not fit, or the encrypted data was changed
    erEncryptionUnsupported = 9, // an encryption the engine cannot undo (strong encryption, encrypted directory)
    erNameRefused = 10,   // the entry's name would leave the target folder, or names no file
    erMemoryLimit = 11,   // the entry's dictionary or window is larger than the engine allocates (MaxDictionaryBytes)
    erLinkOutside = 12,   // a link entry's target is absolute or climbs out of the target folder
    erLinkInvalid = 13,   // a link entry's target is empty, longer than a path can be, or holds a zero byte
};

}  // namespace valbrix
