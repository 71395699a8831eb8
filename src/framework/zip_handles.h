#pragma once
// libzip's handles, released when their owner goes. Header-only: only the code that reads or writes
// archives links libzip.
#include <zip.h>

#include <memory>

namespace ld {

struct ZipArchiveDiscard {
  void operator()(zip_t* zip) const { zip_discard(zip); }
};
// An archive abandoned unless zip_close succeeds (then release() it): nothing half-written is left.
using ZipArchive = std::unique_ptr<zip_t, ZipArchiveDiscard>;

struct ZipEntryClose {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
// One entry opened for reading.
using ZipEntry = std::unique_ptr<zip_file_t, ZipEntryClose>;

}  // namespace ld
