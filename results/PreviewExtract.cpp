#include "results/PreviewExtract.h"

#include "engine/records/RecordName.h"
#include "saving/extract/FatFileCopy.h"
#include "saving/extract/NtfsFileCopy.h"

std::optional<PreviewExtraction> ExtractForPreview(const PreviewRequest& request,
                                                   const TargetFolder& folder,
                                                   CopyObserver& observer) {
  const FileRecord* f = request.file;
  if (!f) return std::nullopt;
  const std::u16string name = RecordName(*f);
  PreviewExtraction out;
  out.safeName = SafeFileName(name);
  if (request.fileSystem == FileSystemKind::Ntfs) {
    NtfsCopyRequest r;
    r.folder = &folder;
    r.name = name;
    r.size = f->size;
    r.recordNumber = f->id;
    r.recordSector = request.recordsAtLocator ? f->locator : 0;
    r.saving = false;
    r.modified = f->modified.AsFileTime();
    r.control = request.control;
    r.whenTaken = ExistingName::Overwrite;
    out.stopped = CopyNtfsFile(r, observer) == NtfsCopyResult::PreviewStopped;
  } else if (IsFatKind(request.fileSystem)) {
    FatCopyRequest r;
    r.folder = &folder;
    r.name = name;
    r.size = static_cast<uint32_t>(f->size);
    r.firstCluster = f->id;
    r.saving = false;
    r.dosDate = static_cast<uint16_t>(f->modified.first);
    r.dosTime = static_cast<uint16_t>(f->modified.second);
    r.control = request.control;
    r.whenTaken = ExistingName::Overwrite;
    out.stopped = CopyFatFile(r, observer) == FatCopyResult::PreviewStopped;
  } else {
    return std::nullopt;
  }
  // A stop seen only after the last read still leaves the preview stopped.
  out.stopped = out.stopped || observer.PreviewStopRequested();
  return out;
}
