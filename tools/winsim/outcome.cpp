#include "outcome.h"

#include <ostream>

#include "components/component.h"
#include "core/setup_context.h"
#include "json_text.h"
#include "ui/headless/page_actions.h"

namespace winsim {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kProgramNotStarted = 1082;
constexpr unsigned kPreparePage = 130;

bool DriverFailed(const CRunOutcome& o) {
  for (const CDriverStep& step : o.m_drivers) {
    if (step.m_nResult != 0) return true;
  }
  return false;
}

std::string Message(const CRunOutcome& o) {
  std::string text = "message " + std::to_string(o.m_nMessage);
  if (!o.m_strMessageText.empty()) text += ": " + OneLine(o.m_strMessageText);
  return text;
}

const char* EndingName(CRunOutcome::Ending ending) {
  switch (ending) {
    case CRunOutcome::Ending::NotStarted: return "not started";
    case CRunOutcome::Ending::EarlierProduct: return "earlier product";
    case CRunOutcome::Ending::Cancelled: return "cancelled";
    case CRunOutcome::Ending::Finished: return "finished";
  }
  return "";
}

const char* RoadKey(CDriverStep::Road road) {
  switch (road) {
    case CDriverStep::Road::ThunkLibrary: return "thunk library";
    case CDriverStep::Road::ThunkLibraryDevices: return "thunk library, several devices";
    case CDriverStep::Road::NextStart: return "next start";
    case CDriverStep::Road::DeviceInstaller: return "device installer";
    case CDriverStep::Road::CompatibleDriver: return "compatible driver";
    case CDriverStep::Road::ServiceDisabled: return "service disabled";
  }
  return "";
}

std::string DriverLine(const CDriverStep& step) {
  std::string line = step.m_strDescription.empty() ? step.m_strComponent : step.m_strDescription;
  if (!step.m_strHardwareId.empty()) line += " (" + step.m_strHardwareId + ")";
  const bool install = step.m_action == Action::Install;
  if (step.m_nResult != 0) {
    return line + ": not " + (install ? "installed" : "removed") + "; " + DriverRoadText(step.m_road) +
           " answered " + std::to_string(step.m_nResult);
  }
  if (step.m_road == CDriverStep::Road::NextStart) return line + ": left for " + DriverRoadText(step.m_road);
  line += install ? ": installed through " : ": removed through ";
  line += DriverRoadText(step.m_road);
  if (step.m_road == CDriverStep::Road::ThunkLibraryDevices) line += " on " + std::to_string(step.m_nDevices) + " devices";
  return line;
}

}  // namespace

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::string single;
  for (char c : text) {
    if (c == ' ' && !single.empty() && single.back() == ' ') continue;
    single += c;
  }
  while (!single.empty() && single.back() == ' ') single.pop_back();
  return single;
}

RunStatus StatusOf(const CRunOutcome& o) {
  if (o.m_ending == CRunOutcome::Ending::NotStarted || o.m_ending == CRunOutcome::Ending::EarlierProduct) {
    return kRunNotPrepared;
  }
  if (o.m_bRunBegun) {
    if (o.m_bRunDone && (o.m_nFlags & SF_RUN_FAILED) == 0) return kRunSucceeded;
    if (o.m_nMessage == kProgramNotStarted && !DriverFailed(o)) return kRunProgramFailed;
    return kRunFailed;
  }
  // The first page cancels the wizard once a message stopped the preparation.
  if (o.m_nMessage != 0 && (o.m_pages.empty() || o.LastPage() == kPreparePage)) return kRunNotPrepared;
  return kRunCancelled;
}

std::string PageLabel(unsigned templateId) {
  const char* name = ui::PageName(templateId);
  return std::to_string(templateId) + (name != nullptr ? std::string(" ") + name : std::string());
}

std::string DriverRoadText(CDriverStep::Road road) {
  switch (road) {
    case CDriverStep::Road::ThunkLibrary: return "the thunk library's DoDriverInstall32";
    case CDriverStep::Road::ThunkLibraryDevices: return "the thunk library's DoMultiDriverInstall32";
    case CDriverStep::Road::NextStart: return "Windows to find at its next start (the adapter is not set up yet)";
    case CDriverStep::Road::DeviceInstaller: return "the device installer (SETUPAPI.DLL)";
    case CDriverStep::Road::CompatibleDriver: return "the thunk library's InstallCompatibleDriver32";
    case CDriverStep::Road::ServiceDisabled: return "its service, which no longer starts";
  }
  return {};
}

std::string DescribeOutcome(const CRunOutcome& o) {
  switch (StatusOf(o)) {
    case kRunSucceeded: {
      std::string words = o.m_bRemoval                                  ? "removed"
                          : (o.m_nFlags & SF_INSTALL_AGAIN) != 0        ? "installed again"
                          : (o.m_nFlags & SF_CHANGE_COMPONENTS) != 0    ? "components changed"
                                                                        : "installed";
      if (o.m_bRemovalScheduled) words += "; the installed folder goes at the next start";
      if ((o.m_nFlags & (SF_RESTART_NEEDED | SF_FULL_RESTART)) != 0) words += "; Windows must restart";
      return words;
    }
    case kRunFailed:
      if (o.m_nMessage != 0) return "failed with " + Message(o);
      for (const CDriverStep& step : o.m_drivers) {
        if (step.m_nResult != 0) return "failed: the display driver " + DriverLine(step);
      }
      return "failed";
    case kRunProgramFailed: return "failed: a program could not be started (" + Message(o) + ")";
    case kRunCancelled: {
      std::string words = "cancelled on page " + PageLabel(o.LastPage());
      if (o.m_pages.empty()) words = "cancelled before any page was shown";
      if (o.m_nMessage != 0) words += " after " + Message(o);
      return words;
    }
    case kRunNotPrepared:
      if (o.m_ending == CRunOutcome::Ending::EarlierProduct) {
        return "stopped: the maker's older product is installed (" + Message(o) + ")";
      }
      if (o.m_ending == CRunOutcome::Ending::NotStarted) return "stopped before the wizard with " + Message(o);
      return "stopped while preparing the script with " + Message(o);
  }
  return {};
}

void PrintOutcome(const CRunOutcome& o, std::ostream& out) {
  out << "outcome\n";
  if (!o.m_pages.empty()) {
    std::string pages;
    for (unsigned page : o.m_pages) pages += (pages.empty() ? "" : ", ") + PageLabel(page);
    out << "  pages            " << pages << "\n";
  }
  if (o.m_bRunBegun) {
    out << "  files            " << o.m_files.size() << " installed\n"
        << "  registry values  " << o.m_nValuesWritten << " written, " << o.m_nValuesDeleted << " deleted\n"
        << "  shortcuts        " << o.m_shortcuts.size() << (o.m_bRemoval ? " removed\n" : " made\n");
    for (const CDriverStep& step : o.m_drivers) out << "  display driver   " << DriverLine(step) << "\n";
    if (!o.m_strSetupFolder.empty()) out << "  setup folder     " << o.m_strSetupFolder << "\n";
  }
  out << DescribeOutcome(o) << "\n";
}

Json OutcomeJson(const CRunOutcome& o) {
  Json drivers = Json::array();
  for (const CDriverStep& step : o.m_drivers) {
    drivers.push_back({{"component", Utf8(step.m_strComponent)},
                       {"description", Utf8(step.m_strDescription)},
                       {"hardwareId", Utf8(step.m_strHardwareId)},
                       {"action", step.m_action == Action::Install ? "install" : "remove"},
                       {"road", RoadKey(step.m_road)},
                       {"devices", step.m_nDevices},
                       {"result", step.m_nResult}});
  }
  Json messages = Json::array();
  for (const CMessage& m : o.m_messages) messages.push_back({{"id", m.m_nId}, {"inserts", Utf8List(m.m_inserts)}});
  Json pages = Json::array();
  for (unsigned page : o.m_pages) pages.push_back(page);
  return {{"status", static_cast<int>(StatusOf(o))},
          {"words", Utf8(DescribeOutcome(o))},
          {"ending", EndingName(o.m_ending)},
          {"maintenance", o.m_bMaintenance},
          {"flags", o.m_nFlags},
          {"message", o.m_nMessage},
          {"messageInserts", Utf8List(o.m_messageInserts)},
          {"messageText", Utf8(o.m_strMessageText)},
          {"messages", std::move(messages)},
          {"pages", std::move(pages)},
          {"runBegun", o.m_bRunBegun},
          {"runDone", o.m_bRunDone},
          {"removal", o.m_bRemoval},
          {"files", Utf8List(o.m_files)},
          {"valuesWritten", o.m_nValuesWritten},
          {"valuesDeleted", o.m_nValuesDeleted},
          {"shortcuts", Utf8List(o.m_shortcuts)},
          {"drivers", std::move(drivers)},
          {"setupFolder", Utf8(o.m_strSetupFolder)},
          {"removalScheduled", o.m_bRemovalScheduled}};
}

namespace {

// JSON text back to the machine's bytes: the inverse of Utf8.
std::string Bytes(const Json& value) {
  if (!value.is_string()) return {};
  const std::string text = value.get<std::string>();
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0xC0 && c <= 0xC3 && i + 1 < text.size()) {
      bytes += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
    } else {
      bytes += static_cast<char>(c);
    }
  }
  return bytes;
}

std::vector<std::string> ByteList(const Json& list) {
  std::vector<std::string> texts;
  if (!list.is_array()) return texts;
  for (const Json& item : list) texts.push_back(Bytes(item));
  return texts;
}

}  // namespace

CRunOutcome OutcomeFromJson(const Json& j) {
  CRunOutcome o;
  if (!j.is_object()) return o;
  auto flag = [&](const char* name) { return j.contains(name) && j[name].is_boolean() && j[name].get<bool>(); };
  auto number = [&](const Json& from, const char* name) {
    return from.contains(name) && from[name].is_number_integer() ? from[name].get<long long>() : 0LL;
  };
  const std::string ending = j.contains("ending") && j["ending"].is_string() ? j["ending"].get<std::string>() : "";
  for (auto e : {CRunOutcome::Ending::NotStarted, CRunOutcome::Ending::EarlierProduct, CRunOutcome::Ending::Cancelled,
                 CRunOutcome::Ending::Finished}) {
    if (ending == EndingName(e)) o.m_ending = e;
  }
  o.m_bMaintenance = flag("maintenance");
  o.m_nFlags = static_cast<std::uint32_t>(number(j, "flags"));
  o.m_nMessage = static_cast<int>(number(j, "message"));
  o.m_messageInserts = ByteList(j.value("messageInserts", Json::array()));
  o.m_strMessageText = Bytes(j.value("messageText", Json()));
  for (const Json& m : j.value("messages", Json::array())) {
    if (m.is_object()) o.m_messages.push_back({static_cast<int>(number(m, "id")), ByteList(m.value("inserts", Json::array()))});
  }
  for (const Json& page : j.value("pages", Json::array())) {
    if (page.is_number_unsigned()) o.m_pages.push_back(page.get<unsigned>());
  }
  o.m_bRunBegun = flag("runBegun");
  o.m_bRunDone = flag("runDone");
  o.m_bRemoval = flag("removal");
  o.m_files = ByteList(j.value("files", Json::array()));
  o.m_nValuesWritten = static_cast<int>(number(j, "valuesWritten"));
  o.m_nValuesDeleted = static_cast<int>(number(j, "valuesDeleted"));
  o.m_shortcuts = ByteList(j.value("shortcuts", Json::array()));
  for (const Json& d : j.value("drivers", Json::array())) {
    if (!d.is_object()) continue;
    CDriverStep step;
    step.m_strComponent = Bytes(d.value("component", Json()));
    step.m_strDescription = Bytes(d.value("description", Json()));
    step.m_strHardwareId = Bytes(d.value("hardwareId", Json()));
    step.m_action = d.value("action", Json()) == "remove" ? Action::Remove : Action::Install;
    const std::string road = d.contains("road") && d["road"].is_string() ? d["road"].get<std::string>() : "";
    for (auto r : {CDriverStep::Road::ThunkLibrary, CDriverStep::Road::ThunkLibraryDevices, CDriverStep::Road::NextStart,
                   CDriverStep::Road::DeviceInstaller, CDriverStep::Road::CompatibleDriver,
                   CDriverStep::Road::ServiceDisabled}) {
      if (road == RoadKey(r)) step.m_road = r;
    }
    step.m_nDevices = static_cast<int>(number(d, "devices"));
    step.m_nResult = static_cast<int>(number(d, "result"));
    o.m_drivers.push_back(std::move(step));
  }
  o.m_strSetupFolder = Bytes(j.value("setupFolder", Json()));
  o.m_bRemovalScheduled = flag("removalScheduled");
  return o;
}

}  // namespace winsim
