// The entry's shape from its directory entry; see the header.
#include "engine/extract/EntryShape.h"

#include "engine/archive/ZipDirectory.h"
#include "engine/archive/ZipFormat.h"
#include "engine/extract/TargetPath.h"

namespace valbrix {

TEntryShape DosShape(uint16_t attributes)
{
    TEntryShape shape;
    shape.Kind = attributes & faFolder ? ekFolder : ekFile;
    shape.DosAttributes = attributes;
    return shape;
}

TEntryShape ShapeOf(const TZipEntry& entry)
{
    TEntryShape shape = DosShape(entry.Attributes);
    shape.Modified = entry.Modified;
    if (IsFolderName(entry.FileName))
        shape.Kind = ekFolder;
    // A mode of 0 says nothing (some writers leave the field empty).
    if (entry.UnixMode == 0)
        return shape;
    shape.Mode = entry.UnixMode & UnixPermissionBits;
    const uint16_t type = entry.UnixMode & UnixTypeMask;
    if (type == UnixTypeFolder)
        shape.Kind = ekFolder;
    else if (type == UnixTypeLink && shape.Kind != ekFolder)
        shape.Kind = ekLink;
    return shape;
}

}  // namespace valbrix
