// INI files: "[name]" section headers and key=value lines. The object writes
// one section "QVXArray" with one entry per cell and reads every section back.
//
// Layout: single-byte text, lines ended by CR LF when written; a reader takes
// any run of CR and LF as one line end, and a zero byte as the end of the text.
//
//   line            written as          read as
//   section header  "[QVXArray]"        "[" with a "]" after it on the line (past
//                                       leading blanks): a new section, any name
//   entry           key "=" text        split at the first "="; without one, the
//                                       whole line is a key with an empty cell;
//                                       leading spaces and tabs of the line dropped
//   comment                             "//" first: skipped (";" is an entry)
//   short line      "=" (no key, empty) under 2 characters: skipped
//   before a header                     skipped
//   end             an empty line
//
// Nothing in a text file is malformed, but a zero byte with other bytes after
// it makes the load damaged (what comes before it loads). Every entry takes 3 bytes of the file
// at least, so a load stays within the load rule of persist/loading.h.
#pragma once

#include <string>
#include <string_view>

#include "core/array_store.h"
#include "core/status.h"
#include "persist/byte_io.h"
#include "persist/file_handler.h"
#include "persist/save_report.h"

namespace tessel::persist {

// One section "QVXArray", streamed: per cell, its key's text (nothing
// without a key cell), "=" and its own text. Counts into `report` what a
// load will not give back.
void writeIniFile(const ArrayStore& store, ByteWriter& out, SaveReport* report = nullptr);
int64_t iniFileBytes(const ArrayStore& store);
// Every entry of every section becomes a string cell with a string key,
// appended in file order straight from the file's bytes; a replacing load
// first deletes all cells. Dimensions are left alone.
void applyIniFile(ArrayStore& store, std::string_view text, LoadMode mode);

// A file past the save size rule (persist/save_size.h) is not saved
// (tooLarge) and the file is not touched: an entry is never much larger than
// its cells in memory, so only arrays beyond the largest file meet it.
Status saveToIni(const ArrayStore& store, FileHandler& files, const char* name, WriteMode mode,
                 SaveReport* report = nullptr);
// compat: a file that cannot be read is an empty image.
Status loadFromIni(ArrayStore& store, const FileHandler& files, const char* name, LoadMode mode);

}  // namespace tessel::persist
