#include "media/cues.h"

namespace shiori {

const char* const mes[] = {
    "SystemStart",  "SystemExit",    "WindowsLogoff",     "WindowsLogon",
    "SystemHand",   "SystemNotification", "ShowBand",     "DeviceDisconnect",
    "DeviceConnect", "DeviceFail",   "CriticalBatteryAlarm", "LowBatteryAlarm",
    "AppGPFault",   "Open",          "Close",             "SystemExclamation",
    "SystemAsterisk", "SystemQuestion", "MenuCommand",    "MenuPopup",
    ".Default",     "PrintComplete", "RestoreUp",         "RestoreDown",
    "Minimize",     "Maximize",      "MailBeep",          "CCSelect",
    nullptr,
};

void play_cue(Platform& plat, int index, unsigned flags) {
  plat.cues->Play(mes[index], flags);
}

}  // namespace shiori
