#include "page_analysis.h"

#include "errors.h"
#include "files.h"
#include "logs.h"
#include "program.h"
#include "release_page.h"
#include "settings.h"

namespace vorms {
namespace {

constexpr char kPageFile[] = "TSCReadme.htm";

void Log(const std::string& line) { WriteLog(line, 1); }

bool Analyze(std::string& candidate) {
  const std::string page = ProgramFile(kPageFile);
  if (!PathExists(page)) {
    Log("AnalyzeDownloadedFile: Unable to browse " + page);
    return false;
  }
  Log("AnalyzeDownloadedFile: File size=[" + std::to_string(FileLength(page)) + "]");
  Log("AnalyzeDownloadedFile: Analyse the file for find string [the latest TSC pattern number is]");
  std::string text = ReadWholeFile(page);
  Log("AnalyzeDownloadedFile: Cleanup HTML File )");
  text = CleanPageMarkup(text);
  Log("AnalyzeDownloadedFile: Find (DCS) word)");
  const std::string extract = MarkerExtract(text);
  text.clear();
  const std::vector<std::string> pieces = MarkerPieces(extract);
  Log("AnalyzeDownloadedFile: Cleanup " + extract + " string )");
  const std::string piece = CleanPatternPiece(pieces);
  Log("AnalyzeDownloadedFile: Cleanup Found " + piece + " string )");
  candidate = PatternCandidate(piece, extract);
  if (IsGreaterPattern(candidate, tsc::Pattern())) {
    Log("AnalyzeDownloadedFile: New version found pattern " + candidate);
    return true;
  }
  Log("AnalyzeDownloadedFile: No New version found [" + candidate + "]");
  return false;
}

}  // namespace

bool AnalyzeDownloadedFile() {
  std::string candidate;
  return ReturnOnError(false, [&] { return Analyze(candidate); }, [&](const RuntimeError& e) {
    const std::string error = std::to_string(e.number()) + " " + e.description();
    if (e.number() == err::kTypeMismatch) {
      Log("AnalyzeDownloadedFile: error Understand this file ( " + candidate + "), send this logs to " +
          kSupportContact + " for get a new version " + error);
    } else {
      Log("AnalyzeDownloadedFile: error number " + error);
    }
  });
}

}  // namespace vorms
