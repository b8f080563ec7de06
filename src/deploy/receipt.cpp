#include "deploy/receipt.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "deploy/stage.h"
#include "services/journal_files.h"
#include "services/own_files.h"

namespace quelb::deploy {
namespace {

using Json = nlohmann::ordered_json;

// A receipt of this form; any other is no receipt this program can read.
constexpr int kForm = 1;
constexpr const char* kProgram = "quelb-deploy";

constexpr struct {
  NameKind kind;
  const char* name;
} kKindNames[] = {
    {NameKind::kOther, "copy"}, {NameKind::kPackage, "package"}, {NameKind::kArchive, "archive"}};

const char* KindName(NameKind kind) {
  for (const auto& known : kKindNames) {
    if (known.kind == kind) return known.name;
  }
  return "copy";
}

Json FileJson(const RecordedFile& file) {
  return {{"name", file.name},
          {"size", file.facts.size},
          {"modified", file.facts.modified},
          {"sha256", file.sha256}};
}

Json DeliveryJson(const Delivery& delivery) {
  Json json = FileJson(delivery.source);
  json["kind"] = KindName(delivery.kind);
  if (delivery.kind == NameKind::kArchive) {
    json["expandedInto"] = delivery.target;
    Json programs = Json::array();
    for (const RecordedFile& program : delivery.programs) programs.push_back(FileJson(program));
    json["programs"] = programs;
  } else {
    json["became"] = {{"path", delivery.target},
                      {"size", delivery.became.size},
                      {"modified", delivery.became.modified}};
  }
  return json;
}

// A value as the receipt writes it at its depth, a tab a level. A name that is not UTF-8 (a
// code page's letters) is kept with replacement characters: it then matches no file, and the
// file is delivered again rather than taken for unchanged. A line break in the text is always
// one between members: those in strings are escaped.
Text Dumped(const Json& value, size_t depth) {
  const Text dumped = value.dump(1, '\t', false, Json::error_handler_t::replace);
  Text text;
  text.reserve(dumped.size() + depth * 8);
  for (const char letter : dumped) {
    text += letter;
    if (letter == '\n') text.append(depth, '\t');
  }
  return text;
}

// The deliveries of one source folder.
struct SourceFolder {
  const Text* folder;
  std::vector<const Delivery*> deliveries;
};

// The deliveries grouped by their source folder, in the order the folders first come.
std::vector<SourceFolder> BySourceFolder(const std::vector<Delivery>& deliveries) {
  std::vector<SourceFolder> folders;
  for (const Delivery& delivery : deliveries) {
    auto folder = std::find_if(folders.begin(), folders.end(), [&](const SourceFolder& source) {
      return *source.folder == delivery.sourceFolder;
    });
    if (folder == folders.end())
      folder = folders.insert(folders.end(), {&delivery.sourceFolder, {}});
    folder->deliveries.push_back(&delivery);
  }
  return folders;
}

// The sources are written a delivery at a time, each as the whole receipt's tree would write it:
// that tree, of every delivery at once, cost a second deploy more than its looks at the files.
void AppendSources(Text& text, const std::vector<Delivery>& deliveries) {
  const std::vector<SourceFolder> folders = BySourceFolder(deliveries);
  if (folders.empty()) {
    text += "[]";
    return;
  }
  text += "[\n";
  for (size_t index = 0; index < folders.size(); ++index) {
    const SourceFolder& source = folders[index];
    text += "\t\t{\n\t\t\t\"folder\": " + Dumped(Json(*source.folder), 0) + ",\n";
    text += "\t\t\t\"files\": [\n";
    for (size_t file = 0; file < source.deliveries.size(); ++file) {
      text += "\t\t\t\t" + Dumped(DeliveryJson(*source.deliveries[file]), 4);
      text += file + 1 < source.deliveries.size() ? ",\n" : "\n";
    }
    text += "\t\t\t]\n\t\t}";
    text += index + 1 < folders.size() ? ",\n" : "\n";
  }
  text += "\t]";
}

Json MissingJson(const std::vector<MissingFile>& missing) {
  Json files = Json::array();
  for (const MissingFile& file : missing) {
    files.push_back({{"folder", file.sourceFolder},
                     {"name", file.name},
                     {"kind", KindName(file.kind)},
                     {"error", file.error}});
  }
  return files;
}

// Every field is looked at before it is taken, so that a receipt of another form reads as none.
bool Take(const Json& json, const char* key, Text& text) {
  const auto field = json.find(key);
  if (field == json.end() || !field->is_string()) return false;
  text = field->get<Text>();
  return true;
}

bool Take(const Json& json, const char* key, int64_t& number) {
  const auto field = json.find(key);
  if (field == json.end() || !field->is_number_integer()) return false;
  number = field->get<int64_t>();
  return true;
}

bool TakeFacts(const Json& json, FileFacts& facts) {
  return Take(json, "size", facts.size) && Take(json, "modified", facts.modified);
}

bool TakeFile(const Json& json, RecordedFile& file) {
  return json.is_object() && Take(json, "name", file.name) && TakeFacts(json, file.facts) &&
         Take(json, "sha256", file.sha256);
}

bool TakeKind(const Json& json, NameKind& kind) {
  Text name;
  if (!Take(json, "kind", name)) return false;
  for (const auto& known : kKindNames) {
    if (name != known.name) continue;
    kind = known.kind;
    return true;
  }
  return false;
}

bool TakePrograms(const Json& json, std::vector<RecordedFile>& programs) {
  const auto field = json.find("programs");
  if (field == json.end() || !field->is_array()) return false;
  for (const Json& program : *field) {
    if (!TakeFile(program, programs.emplace_back())) return false;
  }
  return true;
}

bool TakeDelivery(const Json& json, Delivery& delivery) {
  if (!TakeFile(json, delivery.source) || !TakeKind(json, delivery.kind)) return false;
  if (delivery.kind == NameKind::kArchive) {
    return Take(json, "expandedInto", delivery.target) && TakePrograms(json, delivery.programs);
  }
  const auto became = json.find("became");
  return became != json.end() && became->is_object() && Take(*became, "path", delivery.target) &&
         TakeFacts(*became, delivery.became);
}

bool TakeSources(const Json& json, std::vector<Delivery>& deliveries) {
  const auto sources = json.find("sources");
  if (sources == json.end() || !sources->is_array()) return false;
  for (const Json& source : *sources) {
    Text folder;
    if (!source.is_object() || !Take(source, "folder", folder)) return false;
    const auto files = source.find("files");
    if (files == source.end() || !files->is_array()) return false;
    for (const Json& file : *files) {
      Delivery& delivery = deliveries.emplace_back();
      delivery.sourceFolder = folder;
      if (!TakeDelivery(file, delivery)) return false;
    }
  }
  return true;
}

// A receipt before --keep-going could place a release without its failed files has no such
// list, which reads as none missing.
bool TakeMissing(const Json& json, std::vector<MissingFile>& missing) {
  const auto field = json.find("missing");
  if (field == json.end()) return true;
  if (!field->is_array()) return false;
  for (const Json& file : *field) {
    MissingFile& taken = missing.emplace_back();
    int64_t error = 0;
    if (!file.is_object() || !Take(file, "folder", taken.sourceFolder) ||
        !Take(file, "name", taken.name) || !TakeKind(file, taken.kind) ||
        !Take(file, "error", error)) {
      return false;
    }
    taken.error = static_cast<ErrorNumber>(error);
  }
  return true;
}

bool TakeUndone(const Json& json, std::optional<UndoneRelease>& undone) {
  const auto field = json.find("undone");
  if (field == json.end()) return true;
  UndoneRelease release;
  if (!field->is_object() || !Take(*field, "version", release.version) ||
      !Take(*field, "written", release.written)) {
    return false;
  }
  undone = release;
  return true;
}

Text UtcNow() {
  const std::time_t now = std::time(nullptr);
  char text[sizeof "2026-12-09T13:20:05Z"] = {};
  if (const std::tm* utc = std::gmtime(&now))
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", utc);
  return text;
}

}  // namespace

bool FactsOf(const Text& path, FileFacts& facts) {
  ErrorState errors;
  const FileIdentity identity = SizeAndTimeOf(errors, path);
  if (!identity.Exists() || errors.number != 0) return false;
  facts = {identity.size, identity.modified};
  return true;
}

Text ReceiptText(const Receipt& receipt) {
  // The sources hold their place among the members, and are written apart.
  Json members = {{"form", kForm},
                  {"program", kProgram},
                  {"version", receipt.version},
                  {"written", receipt.written},
                  {"sources", nullptr}};
  if (!receipt.missing.empty()) members["missing"] = MissingJson(receipt.missing);
  if (receipt.undone) {
    members["undone"] = {{"version", receipt.undone->version},
                         {"written", receipt.undone->written},
                         {"time", receipt.written}};
  }
  Text text = "{";
  for (const auto& [key, value] : members.items()) {
    text += text.size() == 1 ? "\n\t" : ",\n\t";
    text += Dumped(Json(key), 0) + ": ";
    if (key == "sources") {
      AppendSources(text, receipt.deliveries);
    } else {
      text += Dumped(value, 1);
    }
  }
  text += "\n}\n";
  return text;
}

std::optional<Receipt> ReceiptFromText(const Text& text) {
  const Json json = Json::parse(text, nullptr, false);
  if (json.is_discarded() || !json.is_object()) return std::nullopt;
  Receipt receipt;
  int64_t form = 0;
  Text program;
  if (!Take(json, "form", form) || form != kForm || !Take(json, "program", program) ||
      program != kProgram || !Take(json, "version", receipt.version) ||
      !Take(json, "written", receipt.written) || !TakeSources(json, receipt.deliveries) ||
      !TakeMissing(json, receipt.missing) || !TakeUndone(json, receipt.undone)) {
    return std::nullopt;
  }
  return receipt;
}

std::optional<Receipt> ReadReceipt(const Text& target) {
  ErrorState errors;
  const Text text = ReadSmallFile(errors, DeployFolderOf(target) + "\\release.json");
  if (errors.number != 0) return std::nullopt;
  return ReceiptFromText(text);
}

bool WriteReceipt(ErrorState& state, const Text& target, Receipt receipt) {
  receipt.version = QUELB_VERSION;
  receipt.written = UtcNow();
  MakeDeployFolder(state, target);
  if (state.number == 0) {
    WriteFileDurably(state, DeployFolderOf(target) + "\\release.json", ReceiptText(receipt));
  }
  return state.number == 0;
}

void LeaveReceipt(const Receipt& receipt, const Text& target) {
  ErrorState errors;
  if (WriteReceipt(errors, target, receipt)) return;
  std::fprintf(stderr, "quelb-deploy: the receipt could not be written: error %d\n",
               static_cast<int>(errors.number));
}

}  // namespace quelb::deploy
