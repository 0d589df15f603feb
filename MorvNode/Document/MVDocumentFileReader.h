#pragma once

#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/PlistValue.h"

class MVDocument;

// Turns a file dictionary into the document's graph, animation, window state and export
// settings. Files of the current generation (version above "2.9.9") are read here; older ones go
// to MVLegacyDocumentReader. Undo registration is paused for the whole load, so nothing that
// loading does can be undone. Damaged content is logged and skipped: a file opens as far as it
// can. Main thread only.
class MVDocumentFileReader {
public:
  // The newest version of the older generation.
  static constexpr const char* kLastLegacyVersion = "2.9.9";

  // The whole file as a dictionary; nullopt (logged) when it cannot be read or is not a
  // dictionary. Binary and XML property lists both read.
  static std::optional<pf::PlistValue::Dictionary> readFileDictionary(const std::filesystem::path& path);

  // A read of a document file started ahead on a worker thread, which the next
  // readFileDictionary of the same path takes instead of reading the file itself: the
  // application reads the documents named at launch while its window system starts. What the
  // read logged is logged when it is taken, as if read then. Destroying the prefetch waits for
  // the worker and drops a read nobody took.
  class Prefetch {
  public:
    explicit Prefetch(const std::filesystem::path& path);
    ~Prefetch();
    Prefetch(const Prefetch&) = delete;
    Prefetch& operator=(const Prefetch&) = delete;

    struct Result {
      std::optional<pf::PlistValue> value;
      std::vector<std::string> logLines;
    };

  private:
    friend class MVDocumentFileReader;
    std::filesystem::path path_;  // absolute
    std::future<Result> result_;
  };

  // Version check and dispatch. A missing dictionary is logged and loads nothing. The loading
  // warnings of the previous load are cleared first; new ones are shown 0.2 s later in one alert.
  // A dictionary handed over with std::move gives back its node and connection records while
  // they are loaded.
  static void loadFromFileDictionary(MVDocument& document, std::optional<pf::PlistValue::Dictionary> file);

  // The reader of the current generation. A dictionary whose version is of the older generation
  // is logged and loads no graph.
  static void loadFromMV3FileDictionary(MVDocument& document, pf::PlistValue::Dictionary file);

  // Whether a file of this version is read by the older-generation reader. A file without a
  // version (nullopt) is read as a current one: every older-generation file carried its version.
  static bool isLegacyVersion(const std::optional<std::string>& version);
  // The "Version" string; nullopt when absent or not a string.
  static std::optional<std::string> versionOfFile(const pf::PlistValue::Dictionary& file);
};
