#include "install/prepare_script.h"

#include <string>

#include "install/setup_session.h"
#include "script/merge_script.h"
#include "script/source_disks.h"

namespace {

constexpr std::string_view kSourceDisksNames = "SourceDisksNames";
constexpr std::string_view kSourceDisksFiles = "SourceDisksFiles";
constexpr int MSG_SCRIPT_NOT_LOADED = 1085;  // %1 the script's path

}  // namespace

int PrepareScript(CSetupSession& session, IPreparationView& view, IHardwareDetection* detection) {
  CSetupContext& context = session.GetContext();
  CSetupScript& setupScript = session.GetScript();
  IMessageSink& messages = session.GetMessages();
  context.SetLastMessage(0);
  const int errorsBefore = messages.GetErrorCount();
  view.SetProgressPos(kPrepareButtonsOff);
  view.DisableWizardButtons();

  bool prepared = session.GetThunkLibrary().Load(context, messages);
  if (prepared) {
    view.SetProgressPos(kPrepareScriptLoaded);
    prepared = setupScript.GetText().Load(context.GetPlatform().Files(), context.GetScriptPath(), kMainScriptCapacity);
    // Without its script the wizard would go on with nothing to install.
    if (!prepared) messages.ShowError(MSG_SCRIPT_NOT_LOADED, context.GetScriptPath());
  }
  if (prepared) {
    CScriptText& script = setupScript.GetText();
    view.SetProgressPos(kPrepareReadMe);
    session.GetReadMe().Load(context);
    view.SetProgressPos(kPrepareReadMeRead);

    // Included scripts are named before the string sections are read: a
    // string reference in a line finds no key.
    const CScriptSection includes = setupScript.ReadSection(kIncludeInf);
    // Never seen again, not even by the saved copy of the merged script.
    while (script.DeleteSection(kIncludeInf)) {
    }
    view.SetProgressPos(kPrepareIncludesRead);
    const int count = includes.GetCount();
    if (count > 0) {
      view.SetProgressStep(kPrepareMergeSpan / count);
      for (const std::string& line : includes.GetLines()) {
        MergeScript(context.GetPlatform().Files(), script, context.GetSetupDir(), line);
        view.StepProgress();
      }
    }

    setupScript.GetExpander().ReadStringSections();
    setupScript.ReadSection(setupScript.GetSourceDisksFiles(), kSourceDisksFiles);
    setupScript.ReadSection(setupScript.GetSourceDisksNames(), kSourceDisksNames);
    setupScript.ReadSection(setupScript.GetDestinationDirs(), "DestinationDirs");

    if (IsFloppySource(context.GetSetupDir())) RewriteSourceDisksForFloppy(setupScript);

    view.SetProgressPos(kPrepareComponents);
    if (session.GetComponents().Build(detection)) view.SetProgressPos(kPrepareDone);
  }

  if (messages.GetErrorCount() != errorsBefore) {
    view.PressCancel();
    return -1;
  }
  return 0;
}
