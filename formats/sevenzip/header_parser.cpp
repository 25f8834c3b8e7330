#include "formats/sevenzip/header_parser.h"

#include <algorithm>

#include "codecs/crc32.h"
#include "formats/sevenzip/coder.h"
#include "formats/sevenzip/header_reader.h"

namespace tolzeb {
namespace sevenzip {
namespace {

Failure unsupported(const wchar_t* message) { return makeFailure(StatusCode::unsupported_version, message); }

// The size of the folder's data: the unpack size of its main output.
Result<uint64_t> folderSize(const SevenZipFolder& folder) {
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t mainOutput, folder.mainOutput());
  if (mainOutput >= folder.unpackSizes.size()) return corrupt(L"7z: folder output size is missing");
  return folder.unpackSizes[size_t(mainOutput)];
}

// Reads `size` bytes at `offset` whole; a short read is reported as `truncated`.
Result<std::vector<uint8_t>> readHeaderBytes(const UniqueHandle& file, uint64_t offset, uint64_t size,
                                         const wchar_t* truncated) {
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, file.readAt(offset, bytes.data(), size));
  if (got != size) return corrupt(truncated);
  return bytes;
}

}  // namespace

Status readPackInfo(ByteReader& reader, SevenZipStreamsInfo& streams) {
  TOLZEB_ASSIGN_OR_RETURN(streams.packPosition, readNumber(reader));
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t count, readCount(reader, kSevenZipMaxPackedStreams, L"packed streams"));
  for (;;) {
    TOLZEB_ASSIGN_OR_RETURN(const uint8_t id, readByte(reader));
    if (id == sevenzip_id::kEnd) break;
    if (id == sevenzip_id::kSize) {
      for (uint64_t i = 0; i < count; ++i) {
        TOLZEB_ASSIGN_OR_RETURN(const uint64_t size, readNumber(reader));
        streams.packedSizes.push_back(size);
      }
    } else if (id == sevenzip_id::kCrc) {
      TOLZEB_ASSIGN_OR_RETURN(const std::vector<bool> defined, readDefinedBits(reader, count));
      for (bool isDefined : defined)
        if (isDefined) TOLZEB_TRY(readUInt32(reader).status());
    } else {
      return corrupt(L"7z: unexpected property inside PackInfo");
    }
  }
  if (streams.packedSizes.size() != count) return corrupt(L"7z: PackInfo has no sizes");
  return Status();
}

Status readFolder(ByteReader& reader, SevenZipFolder& folder) {
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t coderCount, readCount(reader, kSevenZipMaxCoders, L"coders in a folder"));
  if (coderCount == 0) return corrupt(L"7z: folder with no coders");
  uint64_t inputs = 0, outputs = 0;
  for (uint64_t k = 0; k < coderCount; ++k) {
    SevenZipCoder coder;
    TOLZEB_ASSIGN_OR_RETURN(const uint8_t flags, readByte(reader));
    if (flags & 0x80) return unsupported(L"7z: coder uses an alternative method list, which this build does not read");
    const unsigned idLength = flags & 0x0F;
    if (idLength < 1 || idLength > 8) return corrupt(L"7z: coder id has an impossible length");
    TOLZEB_ASSIGN_OR_RETURN(const uint8_t* id, takeBytes(reader, idLength));
    for (unsigned i = 0; i < idLength; ++i) coder.methodId = (coder.methodId << 8) | id[i];
    if (flags & 0x10) {
      TOLZEB_ASSIGN_OR_RETURN(coder.inputCount, readCount(reader, kSevenZipMaxCoderStreams, L"coder inputs"));
      TOLZEB_ASSIGN_OR_RETURN(coder.outputCount, readCount(reader, kSevenZipMaxCoderStreams, L"coder outputs"));
      if (coder.inputCount == 0 || coder.outputCount == 0) return corrupt(L"7z: coder with no streams");
    }
    if (flags & 0x20) {
      TOLZEB_ASSIGN_OR_RETURN(const uint64_t size, readCount(reader, kSevenZipMaxCoderProperties, L"coder properties"));
      TOLZEB_ASSIGN_OR_RETURN(const uint8_t* properties, takeBytes(reader, size));
      coder.properties.assign(properties, properties + size);
    }
    coder.firstInputIndex = inputs;
    coder.firstOutputIndex = outputs;
    inputs += coder.inputCount;
    outputs += coder.outputCount;
    folder.coders.push_back(std::move(coder));
  }
  if (outputs == 0) return corrupt(L"7z: folder produces nothing");
  for (uint64_t i = 0; i + 1 < outputs; ++i) {
    SevenZipBindPair pair;
    TOLZEB_ASSIGN_OR_RETURN(pair.inputIndex, readNumber(reader));
    TOLZEB_ASSIGN_OR_RETURN(pair.outputIndex, readNumber(reader));
    if (pair.inputIndex >= inputs || pair.outputIndex >= outputs)
      return corrupt(L"7z: bind pair points outside the folder");
    folder.bindPairs.push_back(pair);
  }
  const uint64_t bound = folder.bindPairs.size();
  if (bound >= inputs) return corrupt(L"7z: folder has no packed input");
  const uint64_t packedCount = inputs - bound;
  if (packedCount == 1) {
    for (uint64_t index = 0; index < inputs; ++index) {
      const bool named = std::any_of(folder.bindPairs.begin(), folder.bindPairs.end(),
                                     [&](const SevenZipBindPair& pair) { return pair.inputIndex == index; });
      if (!named) {
        folder.packedInputs.push_back(index);
        return Status();
      }
    }
    return corrupt(L"7z: folder has no unbound input");
  }
  for (uint64_t k = 0; k < packedCount; ++k) {
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t index, readNumber(reader));
    if (index >= inputs) return corrupt(L"7z: packed stream points outside the folder");
    folder.packedInputs.push_back(index);
  }
  return Status();
}

Status readUnpackInfo(ByteReader& reader, SevenZipStreamsInfo& streams) {
  TOLZEB_ASSIGN_OR_RETURN(const uint8_t folderId, readByte(reader));
  if (folderId != sevenzip_id::kFolder) return corrupt(L"7z: UnpackInfo does not start with folders");
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t count, readCount(reader, kSevenZipMaxFolders, L"folders"));
  TOLZEB_ASSIGN_OR_RETURN(const uint8_t external, readByte(reader));
  if (external != 0) return unsupported(L"7z: folders stored outside the header are not read by this build");
  // Each folder takes at least two header bytes, so a count the header cannot hold fails early
  // instead of reserving for it.
  streams.folders.reserve(size_t(std::min<uint64_t>(count, reader.remaining())));
  for (uint64_t f = 0; f < count; ++f) {
    SevenZipFolder folder;
    TOLZEB_TRY(readFolder(reader, folder));
    streams.folders.push_back(std::move(folder));
  }
  TOLZEB_ASSIGN_OR_RETURN(const uint8_t sizesId, readByte(reader));
  if (sizesId != sevenzip_id::kCodersUnpackSize) return corrupt(L"7z: folders have no output sizes");
  for (SevenZipFolder& folder : streams.folders) {
    const uint64_t outputs = folder.totalOutputs();
    for (uint64_t i = 0; i < outputs; ++i) {
      TOLZEB_ASSIGN_OR_RETURN(const uint64_t size, readNumber(reader));
      folder.unpackSizes.push_back(size);
    }
  }
  for (;;) {
    TOLZEB_ASSIGN_OR_RETURN(const uint8_t id, readByte(reader));
    if (id == sevenzip_id::kEnd) break;
    if (id != sevenzip_id::kCrc) return corrupt(L"7z: unexpected property inside UnpackInfo");
    TOLZEB_ASSIGN_OR_RETURN(const std::vector<bool> defined, readDefinedBits(reader, count));
    for (size_t f = 0; f < defined.size(); ++f) {
      if (!defined[f]) continue;
      TOLZEB_ASSIGN_OR_RETURN(streams.folders[f].crc, readUInt32(reader));
      streams.folders[f].hasCrc = true;
    }
  }
  uint64_t packedStream = 0;
  for (SevenZipFolder& folder : streams.folders) {
    folder.firstPackedStream = packedStream;
    folder.packedStreamCount = folder.packedInputs.size();
    packedStream += folder.packedStreamCount;
    if (packedStream > streams.packedSizes.size())
      return corrupt(L"7z: folders ask for more packed streams than the archive has");
  }
  return Status();
}

namespace {

// One substream per folder, the folder CRC standing for it.
Status giveSingleSubstreams(SevenZipStreamsInfo& streams) {
  for (SevenZipFolder& folder : streams.folders) {
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t size, folderSize(folder));
    folder.substreamCount = 1;
    folder.substreamSizes = {size};
    folder.substreamCrcs = {folder.crc};
    folder.substreamCrcDefined = {folder.hasCrc};
  }
  return Status();
}

bool takesFolderCrc(const SevenZipFolder& folder) { return folder.substreamCount == 1 && folder.hasCrc; }

}  // namespace

Status readSubStreamsInfo(ByteReader& reader, SevenZipStreamsInfo& streams) {
  for (SevenZipFolder& folder : streams.folders) folder.substreamCount = 1;
  TOLZEB_ASSIGN_OR_RETURN(uint8_t id, readByte(reader));
  if (id == sevenzip_id::kNumUnpackStream) {
    uint64_t total = 0;
    for (SevenZipFolder& folder : streams.folders) {
      TOLZEB_ASSIGN_OR_RETURN(folder.substreamCount,
                              readCount(reader, kSevenZipMaxSubstreams, L"substreams in a folder"));
      total += folder.substreamCount;
      if (total > kSevenZipMaxSubstreams) return corrupt(L"7z: implausible substream count");
    }
    TOLZEB_ASSIGN_OR_RETURN(id, readByte(reader));
  }
  const bool sizesStored = id == sevenzip_id::kSize;
  for (SevenZipFolder& folder : streams.folders) {
    folder.substreamSizes.clear();
    if (folder.substreamCount == 0) continue;
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t size, folderSize(folder));
    if (folder.substreamCount == 1) {
      folder.substreamSizes.push_back(size);
      continue;
    }
    if (!sizesStored) return corrupt(L"7z: split folder has no substream sizes");
    uint64_t sum = 0;
    for (uint64_t i = 0; i + 1 < folder.substreamCount; ++i) {
      TOLZEB_ASSIGN_OR_RETURN(const uint64_t part, readNumber(reader));
      if (part > size - sum) return corrupt(L"7z: substreams do not fit inside their folder");
      sum += part;
      folder.substreamSizes.push_back(part);
    }
    folder.substreamSizes.push_back(size - sum);
  }
  if (sizesStored) {
    TOLZEB_ASSIGN_OR_RETURN(id, readByte(reader));
  }

  while (id != sevenzip_id::kEnd) {
    if (id != sevenzip_id::kCrc) return corrupt(L"7z: unexpected property inside SubStreamsInfo");
    uint64_t listed = 0;
    for (const SevenZipFolder& folder : streams.folders)
      if (!takesFolderCrc(folder)) listed += folder.substreamCount;
    TOLZEB_ASSIGN_OR_RETURN(const std::vector<bool> defined, readDefinedBits(reader, listed));
    size_t next = 0;
    for (SevenZipFolder& folder : streams.folders) {
      folder.substreamCrcs.assign(size_t(folder.substreamCount), 0);
      folder.substreamCrcDefined.assign(size_t(folder.substreamCount), false);
      if (takesFolderCrc(folder)) {
        folder.substreamCrcs[0] = folder.crc;
        folder.substreamCrcDefined[0] = true;
        continue;
      }
      for (uint64_t i = 0; i < folder.substreamCount; ++i) {
        if (!defined[next++]) continue;
        TOLZEB_ASSIGN_OR_RETURN(folder.substreamCrcs[size_t(i)], readUInt32(reader));
        folder.substreamCrcDefined[size_t(i)] = true;
      }
    }
    TOLZEB_ASSIGN_OR_RETURN(id, readByte(reader));
  }
  for (SevenZipFolder& folder : streams.folders) {
    if (!folder.substreamCrcs.empty() || folder.substreamCount == 0) continue;
    folder.substreamCrcs.assign(size_t(folder.substreamCount), 0);
    folder.substreamCrcDefined.assign(size_t(folder.substreamCount), false);
    if (takesFolderCrc(folder)) {
      folder.substreamCrcs[0] = folder.crc;
      folder.substreamCrcDefined[0] = true;
    }
  }
  return Status();
}

Status readStreamsInfo(ByteReader& reader, SevenZipStreamsInfo& streams) {
  TOLZEB_ASSIGN_OR_RETURN(uint8_t id, readByte(reader));
  if (id == sevenzip_id::kPackInfo) {
    TOLZEB_TRY(readPackInfo(reader, streams));
    TOLZEB_ASSIGN_OR_RETURN(id, readByte(reader));
  }
  if (id == sevenzip_id::kUnpackInfo) {
    TOLZEB_TRY(readUnpackInfo(reader, streams));
    TOLZEB_ASSIGN_OR_RETURN(id, readByte(reader));
  }
  if (id == sevenzip_id::kSubStreamsInfo) {
    TOLZEB_TRY(readSubStreamsInfo(reader, streams));
    TOLZEB_ASSIGN_OR_RETURN(id, readByte(reader));
  } else {
    TOLZEB_TRY(giveSingleSubstreams(streams));
  }
  if (id != sevenzip_id::kEnd) return corrupt(L"7z: StreamsInfo does not end where it should");
  return Status();
}

Result<std::vector<std::wstring>> parseNames(const uint8_t* bytes, uint64_t length, uint64_t entryCount) {
  if (length % 2 != 0) return corrupt(L"7z: name block has an odd length");
  std::vector<std::wstring> names;
  std::wstring current;
  bool open = false;
  for (uint64_t i = 0; i < length; i += 2) {
    const wchar_t unit = wchar_t(readU16le(bytes + i));
    if (unit != 0) {
      current.push_back(unit);
      open = true;
      continue;
    }
    if (names.size() >= entryCount) return corrupt(L"7z: more names than files");
    names.push_back(std::move(current));
    current.clear();
    open = false;
  }
  if (open) return corrupt(L"7z: last name is not terminated");
  if (names.size() != entryCount) return corrupt(L"7z: name count does not match the files");
  return names;
}

namespace {

struct FileProperties {
  std::vector<bool> emptyStream;
  std::vector<bool> emptyFile;
  std::vector<std::wstring> names;
  std::vector<uint64_t> times;
  std::vector<uint32_t> attributes;
  std::vector<bool> attributeDefined;
};

uint64_t countSet(const std::vector<bool>& bits) { return uint64_t(std::count(bits.begin(), bits.end(), true)); }

Status readFileProperty(ByteReader& reader, uint64_t type, uint64_t end, uint64_t entryCount,
                        FileProperties& properties) {
  switch (type) {
    case sevenzip_id::kEmptyStream: {
      TOLZEB_ASSIGN_OR_RETURN(properties.emptyStream, readBitVector(reader, entryCount));
      return Status();
    }
    case sevenzip_id::kEmptyFile: {
      TOLZEB_ASSIGN_OR_RETURN(properties.emptyFile, readBitVector(reader, countSet(properties.emptyStream)));
      return Status();
    }
    case sevenzip_id::kAnti:
      return readBitVector(reader, countSet(properties.emptyStream)).status();
    case sevenzip_id::kName: {
      TOLZEB_ASSIGN_OR_RETURN(const uint8_t external, readByte(reader));
      if (external != 0) return unsupported(L"7z: names stored outside the header are not read by this build");
      if (end < reader.pos) return corrupt(L"7z: name block has a bad length");
      const uint64_t length = end - reader.pos;
      TOLZEB_ASSIGN_OR_RETURN(const uint8_t* bytes, takeBytes(reader, length));
      TOLZEB_ASSIGN_OR_RETURN(properties.names, parseNames(bytes, length, entryCount));
      return Status();
    }
    case sevenzip_id::kMTime: {
      TOLZEB_ASSIGN_OR_RETURN(const std::vector<bool> defined, readDefinedBits(reader, entryCount));
      TOLZEB_ASSIGN_OR_RETURN(const uint8_t external, readByte(reader));
      if (external != 0) return unsupported(L"7z: times stored outside the header are not read by this build");
      for (size_t i = 0; i < defined.size(); ++i) {
        if (!defined[i]) continue;
        TOLZEB_ASSIGN_OR_RETURN(properties.times[i], readUInt64(reader));
      }
      return Status();
    }
    case sevenzip_id::kWinAttributes: {
      TOLZEB_ASSIGN_OR_RETURN(const std::vector<bool> defined, readDefinedBits(reader, entryCount));
      TOLZEB_ASSIGN_OR_RETURN(const uint8_t external, readByte(reader));
      if (external != 0) return unsupported(L"7z: attributes stored outside the header are not read by this build");
      for (size_t i = 0; i < defined.size(); ++i) {
        if (!defined[i]) continue;
        TOLZEB_ASSIGN_OR_RETURN(properties.attributes[i], readUInt32(reader));
        properties.attributeDefined[i] = true;
      }
      return Status();
    }
    default:
      return Status();
  }
}

// Walks the folders' substreams in order for the entries that have data.
struct SubstreamCursor {
  const SevenZipStreamsInfo& streams;
  uint64_t folder = 0;
  uint64_t substream = 0;
  uint64_t offset = 0;

  Status take(SevenZipEntry& entry) {
    while (folder < streams.folders.size() && substream >= streams.folders[size_t(folder)].substreamCount) {
      ++folder;
      substream = 0;
      offset = 0;
    }
    if (folder >= streams.folders.size()) return corrupt(L"7z: more files with streams than the folders hold");
    const SevenZipFolder& current = streams.folders[size_t(folder)];
    if (substream >= current.substreamSizes.size()) return corrupt(L"7z: substream size is missing");
    entry.size = current.substreamSizes[size_t(substream)];
    if (substream < current.substreamCrcs.size()) {
      entry.crcDefined = current.substreamCrcDefined[size_t(substream)];
      entry.crc = current.substreamCrcs[size_t(substream)];
    }
    entry.folderIndex = folder;
    entry.offsetInFolder = offset;
    offset += entry.size;
    ++substream;
    return Status();
  }
};

}  // namespace

Status readFilesInfo(ByteReader& reader, uint64_t entryLimit, const SevenZipStreamsInfo& streams,
                     std::vector<SevenZipEntry>& entries) {
  const uint64_t limit = entryLimit >= 1 && entryLimit <= kSevenZipMaxEntries ? entryLimit : kSevenZipMaxEntries;
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t count, readCount(reader, limit, L"files"));
  FileProperties properties;
  properties.emptyStream.assign(size_t(count), false);
  properties.times.assign(size_t(count), 0);
  properties.attributes.assign(size_t(count), 0);
  properties.attributeDefined.assign(size_t(count), false);
  for (;;) {
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t type, readNumber(reader));
    if (type == sevenzip_id::kEnd) break;
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t size, readNumber(reader));
    if (size > kSevenZipMaxPropertySize) return corrupt(L"7z: implausible count for a file property");
    const uint64_t end = reader.pos + size;
    TOLZEB_TRY(readFileProperty(reader, type, end, count, properties));
    if (reader.pos > end) return corrupt(L"7z: a file property overran its own length");
    TOLZEB_TRY(skipBytes(reader, end - reader.pos));
  }
  if (properties.names.size() != count) return corrupt(L"7z: the header has no names");

  entries.reserve(size_t(count));
  SubstreamCursor cursor{streams};
  uint64_t emptyStreamIndex = 0;
  for (size_t i = 0; i < count; ++i) {
    SevenZipEntry entry;
    entry.name = std::move(properties.names[i]);
    std::replace(entry.name.begin(), entry.name.end(), L'\\', L'/');
    entry.modified = properties.times[i];
    entry.attributes = properties.attributes[i];
    if (properties.emptyStream[i]) {
      // A data-less entry without an EmptyFile bit (the vector may be short or absent) is a folder.
      const bool emptyFile =
          emptyStreamIndex < properties.emptyFile.size() && properties.emptyFile[size_t(emptyStreamIndex)];
      entry.isDirectory = !emptyFile;
      ++emptyStreamIndex;
    } else {
      TOLZEB_TRY(cursor.take(entry));
    }
    if (properties.attributeDefined[i] && (entry.attributes & 0x10)) entry.isDirectory = true;
    entries.push_back(std::move(entry));
  }
  return Status();
}

Status readHeader(ByteReader& reader, uint64_t entryLimit, SevenZipStreamsInfo& streams,
                  std::vector<SevenZipEntry>& entries) {
  TOLZEB_ASSIGN_OR_RETURN(uint8_t id, readByte(reader));
  if (id == sevenzip_id::kArchiveProperties) {
    for (;;) {
      TOLZEB_ASSIGN_OR_RETURN(const uint64_t type, readNumber(reader));
      if (type == 0) break;
      TOLZEB_ASSIGN_OR_RETURN(const uint64_t size, readCount(reader, kSevenZipMaxPropertySize, L"an archive property"));
      TOLZEB_TRY(skipBytes(reader, size));
    }
    TOLZEB_ASSIGN_OR_RETURN(id, readByte(reader));
  }
  if (id == sevenzip_id::kAdditionalStreamsInfo)
    return unsupported(L"7z: additional streams are not read by this build");
  if (id == sevenzip_id::kMainStreamsInfo) {
    TOLZEB_TRY(readStreamsInfo(reader, streams));
    TOLZEB_ASSIGN_OR_RETURN(id, readByte(reader));
  }
  if (id == sevenzip_id::kFilesInfo) {
    TOLZEB_TRY(readFilesInfo(reader, entryLimit, streams, entries));
    TOLZEB_ASSIGN_OR_RETURN(id, readByte(reader));
  }
  if (id != sevenzip_id::kEnd) return corrupt(L"7z: header does not end where it should");
  return Status();
}

Result<std::vector<uint8_t>> decodePackedHeader(const UniqueHandle& file, uint64_t fileSize, ByteReader& reader) {
  SevenZipStreamsInfo streams;
  TOLZEB_TRY(readStreamsInfo(reader, streams));
  if (streams.folders.size() != 1) return corrupt(L"7z: a compressed header must be exactly one folder");
  const SevenZipFolder& folder = streams.folders[0];
  if (folder.firstPackedStream + folder.packedStreamCount > streams.packedSizes.size())
    return corrupt(L"7z: header stream index is out of range");
  uint64_t total = 0;
  for (uint64_t i = 0; i < folder.packedStreamCount; ++i) {
    total += streams.packedSizes[size_t(folder.firstPackedStream + i)];
    if (total > kSevenZipPackedHeaderCap) return corrupt(L"7z: header stream runs past the end");
  }
  const auto start = checkedAdd(kSevenZipSignatureHeaderSize, streams.packPosition);
  if (!start || !rangeFits(*start, total, fileSize)) return corrupt(L"7z: header stream runs past the end");
  TOLZEB_ASSIGN_OR_RETURN(std::vector<uint8_t> packed,
                          readHeaderBytes(file, *start, total, L"7z: header stream is truncated"));
  if (folder.coders.size() != 1)
    return unsupported(L"7z: a header built from several coders is not read by this build");
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t mainOutput, folder.mainOutput());
  if (mainOutput >= folder.unpackSizes.size()) return corrupt(L"7z: header has no output size");
  TOLZEB_ASSIGN_OR_RETURN(
      std::vector<uint8_t> header,
      decodeSevenZipCoder(folder.coders[0], packed, folder.unpackSizes[size_t(mainOutput)], kSevenZipPackedHeaderCap));
  if (folder.hasCrc && crc32(0, header.data(), header.size()) != folder.crc)
    return corrupt(L"7z: header failed its checksum");
  return header;
}

}  // namespace sevenzip

Result<SevenZipArchive> openSevenZip(const std::wstring& path, uint64_t entryLimit) {
  using namespace sevenzip;
  SevenZipArchive archive;
  TOLZEB_ASSIGN_OR_RETURN(archive.file, openForRead(path));
  TOLZEB_ASSIGN_OR_RETURN(archive.fileSize, archive.file.fileSize());
  if (archive.fileSize < kSevenZipSignatureHeaderSize) return corrupt(L"7z: file is too small to be an archive");
  uint8_t start[kSevenZipSignatureHeaderSize];
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t got, archive.file.readAt(0, start, sizeof start));
  if (got != sizeof start || !std::equal(start, start + 6, kSevenZipSignature))
    return corrupt(L"7z: file does not start with the signature");
  if (crc32(0, start + 12, 20) != readU32le(start + 8)) return corrupt(L"7z: the start header failed its checksum");
  const uint64_t nextOffset = readU64le(start + 12);
  const uint64_t nextSize = readU64le(start + 20);
  const uint32_t nextCrc = readU32le(start + 28);
  if (nextSize == 0) return archive;
  if (nextSize > kSevenZipMaxHeaderSize)
    return makeFailure(StatusCode::resource_limit, L"7z: header is larger than this build reads");
  const auto headerStart = checkedAdd(kSevenZipSignatureHeaderSize, nextOffset);
  if (!headerStart || !rangeFits(*headerStart, nextSize, archive.fileSize))
    return corrupt(L"7z: header runs past the end of the file");
  TOLZEB_ASSIGN_OR_RETURN(std::vector<uint8_t> header,
                          readHeaderBytes(archive.file, *headerStart, nextSize, L"7z: header is truncated"));
  if (crc32(0, header.data(), header.size()) != nextCrc) return corrupt(L"7z: header failed its checksum");

  ByteReader reader(header);
  TOLZEB_ASSIGN_OR_RETURN(const uint8_t kind, readByte(reader));
  if (kind == sevenzip_id::kEncodedHeader) {
    TOLZEB_ASSIGN_OR_RETURN(header, decodePackedHeader(archive.file, archive.fileSize, reader));
    reader = ByteReader(header);
    TOLZEB_ASSIGN_OR_RETURN(const uint8_t first, readByte(reader));
    if (first != sevenzip_id::kHeader) return corrupt(L"7z: the compressed header does not hold a header");
  } else if (kind != sevenzip_id::kHeader) {
    return corrupt(L"7z: header has an unknown kind");
  }
  TOLZEB_TRY(readHeader(reader, entryLimit, archive.streams, archive.entries));
  return archive;
}

}  // namespace tolzeb
