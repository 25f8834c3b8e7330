#include "formats/sevenzip/folder_decoder.h"

#include <map>

#include "engine/core/bytes.h"
#include "formats/sevenzip/filters.h"

namespace tolzeb {
namespace {

// Every coder output is held until the folder is done, so their declared sizes together bound
// the folder's memory; a hostile header cannot multiply the per-coder cap by its coder count.
Status checkFolderBudget(const SevenZipFolder& folder) {
  uint64_t total = 0;
  for (uint64_t size : folder.unpackSizes) {
    const auto sum = checkedAdd(total, size);
    if (!sum || *sum > kSevenZipCoderCap)
      return makeFailure(StatusCode::resource_limit, L"7z: a folder declares more output than this build decodes");
    total = *sum;
  }
  return Status();
}

// The buffer feeding one coder input: a packed stream or an earlier coder's output.
struct FolderGraph {
  const SevenZipFolder& folder;
  std::map<uint64_t, std::vector<uint8_t>> packedInputs;
  std::vector<std::vector<uint8_t>> outputs;
  std::vector<bool> done;

  // Null with `ready` false when the producer has not run yet.
  Result<const std::vector<uint8_t>*> inputFor(uint64_t inputIndex, bool& ready) const {
    ready = true;
    const auto packed = packedInputs.find(inputIndex);
    if (packed != packedInputs.end()) return &packed->second;
    const SevenZipBindPair* pair = nullptr;
    for (const SevenZipBindPair& candidate : folder.bindPairs)
      if (candidate.inputIndex == inputIndex) pair = &candidate;
    if (!pair) return corrupt(L"7z: a coder input is connected to nothing");
    const size_t producer = producerOf(pair->outputIndex);
    if (producer == SIZE_MAX) return corrupt(L"7z: a bind pair names an output that does not exist");
    if (!done[producer]) {
      ready = false;
      return static_cast<const std::vector<uint8_t>*>(nullptr);
    }
    return &outputs[producer];
  }

  size_t producerOf(uint64_t outputIndex) const {
    size_t producer = SIZE_MAX;
    for (size_t k = 0; k < folder.coders.size(); ++k)
      if (folder.coders[k].firstOutputIndex == outputIndex) producer = k;
    return producer;
  }

  // Runs coder k when all its inputs are there; `ran` tells whether it did.
  Status run(size_t k, bool& ran) {
    ran = false;
    const SevenZipCoder& coder = folder.coders[k];
    if (coder.outputCount != 1)
      return makeFailure(StatusCode::unsupported_version,
                         L"7z: a coder with several outputs is not read by this build");
    std::vector<const std::vector<uint8_t>*> inputs;
    for (uint64_t i = 0; i < coder.inputCount; ++i) {
      bool ready = false;
      TOLZEB_ASSIGN_OR_RETURN(const std::vector<uint8_t>* input, inputFor(coder.firstInputIndex + i, ready));
      if (!ready) return Status();
      inputs.push_back(input);
    }
    if (coder.firstOutputIndex >= folder.unpackSizes.size()) return corrupt(L"7z: coder output size is missing");
    const uint64_t outputSize = folder.unpackSizes[size_t(coder.firstOutputIndex)];
    if (coder.methodId == sevenzip_method::kBcj2) {
      TOLZEB_ASSIGN_OR_RETURN(outputs[k], decodeBcj2(inputs, outputSize));
    } else {
      if (inputs.size() != 1)
        return makeFailure(StatusCode::unsupported_version,
                           L"7z: a coder with several inputs is not read by this build");
      TOLZEB_ASSIGN_OR_RETURN(outputs[k], decodeSevenZipCoder(coder, *inputs[0], outputSize, kSevenZipCoderCap));
    }
    done[k] = true;
    ran = true;
    return Status();
  }
};

}  // namespace

Result<std::vector<uint8_t>> readPackedStreams(const SevenZipArchive& archive, const SevenZipFolder& folder) {
  const std::vector<uint64_t>& sizes = archive.streams.packedSizes;
  const auto end = checkedAdd(folder.firstPackedStream, folder.packedStreamCount);
  if (!end || *end > sizes.size()) return corrupt(L"7z: packed stream index is out of range");
  std::optional<uint64_t> position = checkedAdd(kSevenZipSignatureHeaderSize, archive.streams.packPosition);
  for (uint64_t i = 0; i < folder.firstPackedStream && position; ++i)
    position = checkedAdd(*position, sizes[size_t(i)]);
  std::optional<uint64_t> total = uint64_t(0);
  for (uint64_t i = folder.firstPackedStream; i < *end && total; ++i) total = checkedAdd(*total, sizes[size_t(i)]);
  if (!position || !total || *total > kSevenZipCoderCap || !rangeFits(*position, *total, archive.fileSize))
    return corrupt(L"7z: packed streams run past the end");
  std::vector<uint8_t> bytes(static_cast<size_t>(*total));
  uint64_t got = 0;
  while (got < *total) {
    // The file layer reads at most 256 MiB per request.
    const uint64_t request = std::min<uint64_t>(*total - got, kSevenZipMaxHeaderSize);
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t read, archive.file.readAt(*position + got, bytes.data() + got, request));
    if (read == 0) break;
    got += read;
  }
  if (got != *total) return corrupt(L"7z: packed stream is truncated");
  return bytes;
}

Result<const std::vector<uint8_t>*> decodeSevenZipFolder(SevenZipArchive& archive, uint64_t folderIndex) {
  if (folderIndex == archive.cachedFolderIndex) return &archive.cachedFolderBytes;
  if (folderIndex >= archive.streams.folders.size()) return corrupt(L"7z: folder index is out of range");
  const SevenZipFolder& folder = archive.streams.folders[size_t(folderIndex)];
  TOLZEB_TRY(checkFolderBudget(folder));
  TOLZEB_ASSIGN_OR_RETURN(std::vector<uint8_t> packed, readPackedStreams(archive, folder));

  FolderGraph graph{folder,
                    {},
                    std::vector<std::vector<uint8_t>>(folder.coders.size()),
                    std::vector<bool>(folder.coders.size(), false)};
  if (folder.packedInputs.size() == 1) {
    graph.packedInputs[folder.packedInputs[0]] = std::move(packed);
  } else {
    uint64_t offset = 0;
    for (size_t k = 0; k < folder.packedInputs.size(); ++k) {
      const uint64_t length = archive.streams.packedSizes[size_t(folder.firstPackedStream + k)];
      graph.packedInputs[folder.packedInputs[k]].assign(packed.begin() + ptrdiff_t(offset),
                                                        packed.begin() + ptrdiff_t(offset + length));
      offset += length;
    }
    packed = {};
  }

  for (size_t pass = 0; pass < folder.coders.size(); ++pass) {
    bool progressed = false;
    for (size_t k = 0; k < folder.coders.size(); ++k) {
      if (graph.done[k]) continue;
      bool ran = false;
      TOLZEB_TRY(graph.run(k, ran));
      progressed = progressed || ran;
    }
    if (!progressed) break;
  }

  TOLZEB_ASSIGN_OR_RETURN(const uint64_t mainOutput, folder.mainOutput());
  const size_t producer = graph.producerOf(mainOutput);
  if (producer == SIZE_MAX || !graph.done[producer]) return corrupt(L"7z: folder could not be decoded");
  archive.cachedFolderBytes = std::move(graph.outputs[producer]);
  archive.cachedFolderIndex = folderIndex;
  return &archive.cachedFolderBytes;
}

}  // namespace tolzeb
