// The one place where the front ends meet the engine's archive operations.
#include "formats/engine_calls.h"

#include "engine/container/open_archive.h"
#include "engine/container/verify_archive.h"
#include "engine/create/create_archive.h"
#include "formats/sevenzip/sevenzip_writer.h"
#include "formats/tar/tar_writer.h"
#include "formats/zip/zip.h"

namespace tolzeb {
namespace {

EngineCalls makeLinkedEngine() {
  EngineCalls engine;
  engine.createArchive = tolzeb::createArchive;
  engine.protectArchive = tolzeb::protectArchive;
  engine.createZip = tolzeb::createZip;
  engine.createTar = tolzeb::createTar;
  engine.createSevenZip = tolzeb::createSevenZip;
  engine.probeZebArchive = tolzeb::probeZebArchive;
  engine.testArchive = tolzeb::testArchive;
  engine.verifyArchive = tolzeb::verifyArchive;
  engine.detectArchiveKind = tolzeb::detectArchiveKind;
  engine.extractAnyArchive = tolzeb::extractAnyArchive;
  engine.listAnyArchive = tolzeb::listAnyArchive;
  engine.testAnyArchive = tolzeb::testAnyArchive;
  engine.checkRecoveryRecord = tolzeb::checkRecoveryRecord;
  engine.repairArchive = tolzeb::repairArchive;
  engine.splitArchive = tolzeb::splitArchive;
  engine.mergeParts = tolzeb::mergeParts;
  engine.compareArchive = tolzeb::compareArchive;
  engine.findDuplicates = tolzeb::findDuplicates;
  engine.hashEntries = tolzeb::hashEntries;
  engine.hashFileSha256 = tolzeb::hashFileSha256;
  engine.archiveKindName = tolzeb::archiveKindName;
  return engine;
}

}  // namespace

const EngineCalls& linkedEngine() {
  static const EngineCalls engine = makeLinkedEngine();
  return engine;
}

}  // namespace tolzeb
