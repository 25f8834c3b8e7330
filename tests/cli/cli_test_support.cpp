#include "cli_test_support.h"

#include "engine/core/bytes.h"

namespace tolzeb::cli::testing {

void FakeWorld::report(const ProgressCallback& progress) {
  if (!progress) return;
  for (const Progress& p : progressReports) {
    progress(p);
    now += 1000;
  }
}

FakeWorld::FakeWorld() {
  passwords.console = [this](const std::wstring& prompt) -> Result<SecureBytes> {
    prompts.push_back(prompt);
    if (consoleAnswers.empty()) return makeFailure(StatusCode::general, L"unexpected prompt");
    Result<SecureBytes> answer = std::move(consoleAnswers.front());
    consoleAnswers.pop_front();
    return answer;
  };
  passwords.standardInput = [this]() -> Result<SecureBytes> {
    ++stdinReads;
    if (stdinAnswers.empty()) return makeFailure(StatusCode::general, L"unexpected read of standard input");
    Result<SecureBytes> answer = std::move(stdinAnswers.front());
    stdinAnswers.pop_front();
    return answer;
  };

  engine.createArchive = [this](const Sources&, const std::wstring& output, const CompressionOptions& options,
                                const ProgressCallback& progress) {
    calls.push_back(L"createArchive " + output);
    createdWith = options;
    report(progress);
    return stats;
  };
  engine.protectArchive = [this](const std::wstring& archive, uint32_t percent, const ProgressCallback& progress) {
    calls.push_back(L"protectArchive " + archive + L" " + decimal(percent));
    report(progress);
    return recovery;
  };
  engine.createZip = [this](const Sources&, const std::wstring& output, int32_t level,
                            const ProgressCallback& progress) {
    calls.push_back(L"createZip " + output);
    levelSeen = level;
    report(progress);
    return stats;
  };
  engine.createTar = [this](const Sources&, const std::wstring& output, bool gzip, int32_t level,
                            const ProgressCallback& progress) {
    calls.push_back(L"createTar " + output);
    levelSeen = level;
    gzipSeen = gzip;
    report(progress);
    return stats;
  };
  engine.createSevenZip = [this](const Sources&, const std::wstring& output, int32_t level, uint64_t solidBlock,
                                 const ProgressCallback& progress) {
    calls.push_back(L"createSevenZip " + output);
    levelSeen = level;
    solidBlockSeen = solidBlock;
    report(progress);
    return stats;
  };
  engine.probeZebArchive = [this](const std::wstring& archive) {
    calls.push_back(L"probeZebArchive " + archive);
    return encrypted;
  };
  engine.testArchive = [this](const std::wstring& archive, const ProgressCallback& progress, uint32_t threads,
                              uint64_t memory, const Password& password) {
    calls.push_back(L"testArchive " + archive);
    threadsSeen = threads;
    memorySeen = memory;
    passwordSeen = password;
    report(progress);
    return stats;
  };
  engine.verifyArchive = [this](const std::wstring& archive, const ProgressCallback& progress, uint32_t threads,
                                uint64_t memory, const Password& password) {
    calls.push_back(L"verifyArchive " + archive);
    threadsSeen = threads;
    memorySeen = memory;
    passwordSeen = password;
    report(progress);
    return stats;
  };
  engine.detectArchiveKind = [this](const std::wstring& archive) {
    calls.push_back(L"detectArchiveKind " + archive);
    return kind;
  };
  engine.extractAnyArchive = [this](const std::wstring& archive, ArchiveKind, const std::wstring& destination,
                                    const std::vector<std::wstring>&, const ExtractOptions& options,
                                    const ProgressCallback& progress) {
    calls.push_back(L"extractAnyArchive " + archive + L" " + destination);
    extractedWith = options;
    passwordSeen = options.password;
    report(progress);
    return stats;
  };
  engine.listAnyArchive = [this](const std::wstring& archive, ArchiveKind, const Password& password) {
    calls.push_back(L"listAnyArchive " + archive);
    passwordSeen = password;
    return listing;
  };
  engine.testAnyArchive = [this](const std::wstring& archive, ArchiveKind, const ExtractOptions& options,
                                 const ProgressCallback& progress) {
    calls.push_back(L"testAnyArchive " + archive);
    passwordSeen = options.password;
    report(progress);
    return stats;
  };
  engine.checkRecoveryRecord = [this](const std::wstring& archive, const ProgressCallback& progress) {
    calls.push_back(L"checkRecoveryRecord " + archive);
    report(progress);
    return recovery;
  };
  engine.repairArchive = [this](const std::wstring& archive, const ProgressCallback& progress) {
    calls.push_back(L"repairArchive " + archive);
    report(progress);
    return recovery;
  };
  engine.splitArchive = [this](const std::wstring& archive, uint64_t partSize, const ProgressCallback& progress) {
    calls.push_back(L"splitArchive " + archive + L" " + decimal(partSize));
    report(progress);
    return split;
  };
  engine.mergeParts = [this](const std::wstring& firstPart, const std::wstring& output,
                             const ProgressCallback& progress) {
    calls.push_back(L"mergeParts " + firstPart + L" " + output);
    report(progress);
    return merge;
  };
  engine.compareArchive = [this](const std::wstring& archive, const std::wstring& folder, const Password& password,
                                 bool deep, const ProgressCallback& progress) {
    calls.push_back(L"compareArchive " + archive + L" " + folder);
    passwordSeen = password;
    deepSeen = deep;
    report(progress);
    return comparison;
  };
  engine.findDuplicates = [this](const std::wstring& archive, const Password& password,
                                 const ProgressCallback& progress) {
    calls.push_back(L"findDuplicates " + archive);
    passwordSeen = password;
    report(progress);
    return duplicates;
  };
  engine.hashEntries = [this](const std::wstring& archive, const Password& password,
                              const ProgressCallback& progress) {
    calls.push_back(L"hashEntries " + archive);
    passwordSeen = password;
    report(progress);
    return entryHashes;
  };
  engine.hashFileSha256 = [this](const std::wstring& file, std::vector<uint8_t>& buffer) -> Result<Sha256Digest> {
    if (!fileHash || buffer.empty()) return makeFailure(StatusCode::general, L"unexpected hashing of " + file);
    return fileHash(file);
  };
  engine.archiveKindName = linkedEngine().archiveKindName;
}

}  // namespace tolzeb::cli::testing
