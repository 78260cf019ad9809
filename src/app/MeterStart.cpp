#include "app/MeterStart.h"

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/StartUp.h"
#include "device/CommandLog.h"
#include "device/ConnectionCheck.h"
#include "settings/TypeNames.h"

bool RunMeterStart(AppState& app, bool* ranCheck)
{
    app.status0Monitor = IniSwitchOn(IniFile::GetString(app.iniPath, "System", "STATUS0_Monitor", "No"));
    app.commLogEnabled = IniSwitchOn(IniFile::GetString(app.iniPath, "System", "CommLog", "No"));
    if (app.commLogEnabled) ShowCommandLogNotice(app);

    const bool connectCheck =
        IniSwitchExact(IniFile::GetString(app.iniPath, "System", "StartUpConnectCheck", "Yes"));

    app.typeName = LoadLangString(app, 166);
    app.deviceSerial = 0;
    app.deviceSerialText.clear();

    if (ranCheck) *ranCheck = connectCheck;
    if (!connectCheck) return true;
    if (!CheckConnection(app)) return false;
    LookupTypeName(app);
    return true;
}
