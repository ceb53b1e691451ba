// Status codes of libbz2, liblzma and libzstd as result codes; see the header.
#include "engine/codecs/LibraryResults.h"

#include <bzlib.h>
#include <lzma.h>
#include <zstd.h>
#include <zstd_errors.h>

#include "engine/ResultCodes.h"

namespace valbrix {

int Bzip2Result(int bzipStatus)
{
    switch (bzipStatus) {
    case BZ_MEM_ERROR:
        return erUnsupported;
    case BZ_UNEXPECTED_EOF:
        return erRead;
    default:  // BZ_DATA_ERROR (its block CRC included), BZ_DATA_ERROR_MAGIC, BZ_PARAM_ERROR, ...
        return erFormat;
    }
}

int LzmaResult(int lzmaStatus)
{
    switch (lzma_ret(lzmaStatus)) {
    case LZMA_MEMLIMIT_ERROR:
        return erMemoryLimit;
    case LZMA_MEM_ERROR:
    case LZMA_OPTIONS_ERROR:
    case LZMA_UNSUPPORTED_CHECK:
        return erUnsupported;
    case LZMA_BUF_ERROR:
        return erRead;
    default:  // LZMA_DATA_ERROR (the stream's own check included), LZMA_FORMAT_ERROR, ...
        return erFormat;
    }
}

int ZstdResult(size_t zstdStatus)
{
    switch (ZSTD_getErrorCode(zstdStatus)) {
    case ZSTD_error_frameParameter_windowTooLarge:
        return erMemoryLimit;
    case ZSTD_error_memory_allocation:
    case ZSTD_error_parameter_unsupported:
    case ZSTD_error_dictionary_wrong:
        return erUnsupported;
    case ZSTD_error_checksum_wrong:
        return erCrc;
    default:
        return erFormat;
    }
}

}  // namespace valbrix
