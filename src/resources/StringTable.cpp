#include "resources/StringTable.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace {

// One row per id: the Japanese text (id) and the English text (id + 2000) side by side, so
// that both languages are reviewed together. Rows stay sorted by id (checked below).
struct StringRow {
    int id;
    const char* ja;
    const char* en;
};

constexpr StringRow kRows[] = {
    // Main dialog: about box and tab captions.
    {101, "バージョン情報", "About Thermometer Application"},
    {102, "連続取込み", "Continuous Recording"},
    {103, "メモリデータ読込/設定", "Fowarding/Adjusting Memorized Data"},
    {104, "ティーチング", "Teaching"},
    {105, "各種設定", "Each Adjustment"},

    // Recording page: tooltips of REC, DELETE and PAUSE.
    {107, "連続取り込みを開始します", "Start Continuous Recording"},
    {108, "取り込んだデータを消去します", "Reset Continuous Recording"},
    {109, "取り込みを中断します", "Finish Continuous Recording"},

    // Status line and message boxes.
    {111, "タブメニューをマウスで選択してください。", "Select Tab Menu by Mouse"},
    {112, "アプリケーションを終了しますか？", "Do You Want to Finish Application?"},
    {113, "放射温度計との通信に失敗しました。", "Communication with the Thermometer Failed"},
    {114, "放射温度計が接続されていません。", "No Themometer Connected"},
    {115, "放射温度計の電源をONにして [OK] ボタンをクリックしてください。",
     "Switch Themometer ON then Click [OK] Button"},

    // Settings page: tooltips of the PC clock and RESET, the reset question, the link error.
    {116, "パソコンの現在時刻を表示します", "Current Time of the PC"},
    {117, "時刻アラーム・ホールド時間・分解能を初期値に戻します",
     "Reset Clock Alarm, Hold Time and Resolution to Defaults"},
    {118, "設定を初期化しますか？（放射温度計に初期値を送信します）",
     "Do You Want to Return all specific Value to Initial Mode?"},
    {119, "放射温度計の通信返答エラーです", "Communication Error with RM-42"},

    // Settings page: tooltips of the temperature alarms.
    {120, "アラームHIGHの温度を入力します", "Enter Alarm-HIGH Temperature"},
    {121, "アラームHIGHを有効にします", "Switch Alarm-HIGH ON"},
    {122, "アラームHIGHを無効にします", "Switch Alarm-HIGH OFF"},
    {123, "アラームLOWの温度を入力します", "Enter Alarm-LOW Temperature"},
    {124, "アラームLOWを有効にします", "Switch Alarm-LOW ON"},
    {125, "アラームLOWを無効にします", "Switch Alarm-LOW OFF"},
    {126, "アラーム設定を放射温度計に送信します", "Send Alarm Settings to Thermometer"},

    // Teaching page: tooltips of the emissivity field and its SET button.
    {127, "放射温度計に設定する放射率を入力します", "Enter Emissivity to Send to Thermometer"},
    {128, "入力した放射率を放射温度計に設定します", "Send Entered Emissivity to Thermometer"},

    // Settings page: tooltips of the clock, the clock alarm, the resolution and the hold time.
    {129, "パソコンの時刻を放射温度計に設定します", "Set Thermometer Clock to PC Time"},
    {130, "放射温度計に設定する日付を指定します", "Specify Date to Set in Thermometer"},
    {131, "放射温度計に設定する時刻を指定します", "Specify Time to Set in Thermometer"},
    {132, "指定した日付と時刻を放射温度計に設定します", "Set Thermometer Clock to Specified Date and Time"},
    {134, "時刻アラームの時刻を指定します", "Specify Clock Alarm Time"},
    {135, "時刻アラームの設定を放射温度計に送信します", "Send Clock Alarm Settings to Thermometer"},
    {136, "時刻アラームの鳴動時間（秒）を入力します", "Enter Ringing Time of Clock Alarm (Seconds)"},
    {138, "時刻アラームを毎日鳴らします", "Ring Clock Alarm Every Day"},
    {139, "時刻アラームを1回だけ鳴らします", "Ring Clock Alarm Only Once"},
    {141, "温度の分解能を1℃にします", "Set Temperature Resolution to 1°C"},
    {142, "温度の分解能を0.1℃にします", "Set Temperature Resolution to 0.1°C"},
    {143, "分解能の設定を放射温度計に送信します", "Send Resolution Setting to Thermometer"},
    {144, "ホールド時間（秒）を入力します", "Enter Hold Time (Seconds)"},
    {145, "ホールド時間を放射温度計に送信します", "Send Hold Time to Thermometer"},

    // Temperature unit and the date characters of the clock displays.
    {148, "℃", "°C"},
    {149, "年", "Year"},
    {150, "月", "Month"},
    {151, "日", "Day"},

    // Title picture missing; the seconds item of the time unit list.
    {152, "タイトル画像ファイルがありません", "Title Image File Not Found"},
    {153, "秒", "Second"},

    // Teaching page: tooltips.
    {154, "放射温度計に設定されている放射率です", "Current Emissivity of Thermometer"},
    {155, "放射温度計が測定している温度です", "Current Measured Temperature"},
    {156, "ティーチングする温度（対象物の実際の温度）を入力します",
     "Enter True Temperature of Target for Teaching"},
    {157, "ティーチングで求めた放射率です", "Emissivity Found by Teaching"},
    {158, "ティーチングを実行して放射率を放射温度計に設定します",
     "Execute Teaching and Send Emissivity to Thermometer"},
    {160, "放射温度計から温度と放射率を読み込みます", "Read Temperature and Emissivity from Thermometer"},

    // Status line after an emissivity write; link failure; application name; no type name.
    {162, "放射率を更新しました。", "Updating Emissivity Value"},
    {164, "COMポート I/Oエラー", "COM-port Communication Error"},
    {165, "放射温度計アプリケーション", "Thermometer Application"},
    {166, "機種名未登録", "No Type-Number entered"},

    // Settings page: tooltips of the type name field and its SAVE button.
    {167, "接続している放射温度計の機種名を入力します", "Enter Type-Number of Connected Thermometer"},
    {168, "入力した機種名を接続している放射温度計に登録します",
     "Register Type-Number for Connected Thermometer"},

    // Memory page: tooltips of the item boxes, Write, Save and the unit buttons.
    {170, "室温データ項目を有効にします", "Switch ON/OFF for Room Temperature"},
    {171, "時刻データ項目を有効にします", "Switch ON/OFF for Specified Time"},
    {172, "放射率データ項目を有効します", "Switch ON/OFF for Emissivity Data"},
    {173, "MAXデータ項目を有効にします", "Switch ON/OFF for MAX Data "},
    {174, "MINデータ項目を有効にします", "Switch ON/OFF for MIN Data"},
    {176, "チェック欄が有効になっているデータだけを放射温度計に転送します",
     "Forwarding Data checked in the Check Box"},
    {177, "データリストをレポートフォーム形式/CSV形式でファイルに保存します",
     "Store Data List by CSV file format"},
    {187, "温度単位を摂氏（℃）で表示します", "Display Temperature with Celsius Degree"},
    {188, "温度単位を華氏（゜Ｆ）で表示します", "Display temperature with Fahrenheit Degree"},
    {189, "温度単位を絶対温度（Ｋ：ケルビン）で表示します", "Display Temperature with Kelvin Degree"},

    // Memory page: list column heads and progress texts.
    {190, "メモリNo.", "MemoryNo."},
    {191, "温度データ", "Temp."},
    {192, "時刻", "Time"},
    {193, "室温データ", "Room"},
    {194, "放射率", "Emissivity"},
    {195, "MAX", "MAX"},
    {196, "MIN", "MIN"},
    {197, "メモリデータ読み込み中です ：", "Installing Data Memory..."},
    {198, "メモリデータ書き込み中です ：", "Loading Data Memory..."},

    // Recording page: tooltips of SAVE, the timer box and the timer dates.
    {200, "取り込んだデータをレポートフォーム形式/CSV形式で保存します",
     "Store Data List by Report format or CSV format"},
    {202, "時刻指定取り込みの有効/無効を切り替えます", "Switch ON/OFF Specified Time"},
    {203, "取り込み開始日を指定します", "Specify Starting Capturing Date"},
    {205, "取り込み終了日を指定します", "Specify Finishing Capturing Date"},

    // Teaching progress; unsupported system.
    {207, "ティーチング後の結果を読み込み中です", "Installing Teaching Result"},
    {208, "このWindowsでの使用はサポートされていません（Windows2000/XPのみ対応）",
     "This Windows OS is not supported (Available on Windows2000/XP only)"},

    // Memory page: Read tooltip and the messages of reading and writing; type name registered.
    {210, "放射温度計からメモリデータを読込みます", "Install data from Themometer"},
    {211, "［温度計からデータを読込む］ボタンを押してメモリデータの再読み込みを行ってください",
     "Re-Install data from Themometer"},
    {212, "機種名を登録しました", "Type-No. was Registered"},
    {213, "COMポート設定", "COM-port Setting"},
    {214, "データを放射温度計に転送してもよろしいですか？", "Do You Want to Load Data to Themometer?"},
    {215, "再読み込みすると現在編集中のデータが失われますがよろしいですか？",
     "Data Under Current Edit is Deleted by Re-Load"},

    // Units °F and K; file and write errors; another thermometer connected.
    {216, "゜Ｆ", "°F"},
    {217, "K", "K"},
    {218, "何らかの原因によりファイルを出力できませんでした", "File Not Opened by File Output Error"},
    {219, "書き込みエラーのため処理を中止しました", "File Save was stopped by File Output Error"},
    {221, "編集中のデータは接続している放射温度計のデータではありません", "Other Themometer is Connected"},

    // Recording page: DELETE question and the capture timer's texts.
    {222, "記録したデータを消去してよろしいですか？", "Do You Want to Delete Captured Data?"},
    {223, "取込タイマー待機中", "Timer Stand-by"},
    {224, "取込タイマー未設定", "Timer Stand-by"},
    {225, "取込タイマー動作中", "Timer Active"},
    {226, "設定されたタイマー時刻は無効です", "Invalid Timer value Entered"},

    // Recording page: tooltips of the 100 ms box and the scale controls.
    {230, "100ミリ秒部分を無効にします", "Disable item of 100ms"},
    {231, "グラフのオートスケール/マニュアルスケールを切り替えます", "Switch AUTO/MANUAL for Graph-drawing"},
    {232, "マニュアルスケールの最大温度を入力します", "Enter Max Temperature of manual-scaling"},
    {233, "マニュアルスケールの最低温度を入力します", "Enter Minimum Temperature of manual-scaling"},
    {234, "設定したマニュアルスケールでグラフを再描画します", "Re-Draw graph by entered scale value"},

    // Save dialog filters of the recording and the memory list.
    {235, "CSV形式(*.csv)|*.csv|レポートフォーム(*.html)|*.html||",
     "CSV(*.csv)|*.csv|Report Form(*.html)|*.html||"},
    {236, "レポートフォーム(*html)|*.html|CSV形式(*.csv)|*.csv||",
     "Report Form(*.html)|*.html|CSV(*.csv)|*.csv||"},

    // Range messages of the alarms and the emissivity.
    {237, "アラームHIGH/アラームLOWの設定範囲が正しくありません（上下関係が逆です）",
     "Invalid relation of Alarm HIGH/LOW value Entered"},
    {238, "演算結果が放射率の設定範囲( 0.30 ～ 1.20)を超えています",
     "Effective Range of Emissivity is 0.30 to 1.20"},
    {239, "温度の設定可能範囲は -30℃ ～ 600℃ です", "Effective Range of Temperature is -30°C ～ 600°C"},

    // Recording page: time unit list and status line.
    {241, "時間", "Hour"},
    {242, "分", "Min"},
    {243, "温度データ取り込み中です", "Now Capturing"},
    {244, "温度データ取り込み一時中断中です（継続可能）", "Stop Capturing(Continue Avialable)"},
    {245, "取り込み実行可能です", "Stand-by"},

    // Teaching page: emissivity list column heads.
    {246, "測定物", "Target"},
    {247, "放射率", "Emissivity"},
    {248, "No.", "No."},

    // Recording page: tooltips of the timer's start and end times and of the interval.
    {249, "取り込み開始時刻(H)を指定します", "Specify Starting Capturing Time(Unit: Hour)"},
    {250, "取り込み開始時刻(M)を指定します", "Specify Starting Capturing Time(Unit: Minute)"},
    {251, "取り込み開始時刻(S)を指定します", "Specify Starting Capturing Time(Unit: Second)"},
    {252, "取り込み終了時刻(H)指定します", "Specify Finishing Capturing Time(Unit: Hour)"},
    {253, "取り込み終了時刻(M)指定します", "Specify Finishing Capturing Time(Unit: Minute)"},
    {254, "取り込み終了時刻(S)指定します", "Specify Finishing Capturing Time(Unit: Second)"},
    {255, "取り込み間隔(H)を指定します", "specify Capture Interval(Unit: Hour)"},
    {256, "取り込み間隔(M)を指定します", "specify Capture Interval(Unit: Minute)"},
    {257, "取り込み間隔(S)を指定します", "specify Capture Interval(Unit: Second)"},

    // Recording buffer; settings export; missing INI file.
    {259, "連続取り込みに必要なメモリが確保できませんでした", "Not Enough Memory for Capture Execution"},
    {260, "設定内容をCSVファイルに保存します", "Store Setting by CSV file format"},
    {261, "CSV形式(*.csv)|*.csv||", "CSV(*csv)|*.csv||"},
    {262, "INIファイルがありません", "INI File Not Found"},
    // The program's own texts.
    {263, "データ領域がいっぱいのため取り込みを一時中断しました", "Capture Paused: Data Area Full"},
    {270, "%sは既に存在します。上書きしますか？", "%s already exists. Do you want to replace it?"},
    // Teaching page: a wavelength band in the INI file that no teaching can use.
    {285, "INIファイルの波長帯域 (WavelengthLower, WavelengthUpper) が正しくありません",
     "The wavelength band in the INI file (WavelengthLower, WavelengthUpper) is not valid"},
    // Recording: the journal that lets a recording survive a crash.
    {297, "保存されていない記録が残っています（%d件、%s開始）。読み込みますか？",
     "An unsaved recording was found (%d samples, started %s). Do you want to load it?"},
    {298, "記録の控えを書き込めません。異常終了すると記録は失われます",
     "Cannot write the recording journal: the recording will not survive a crash"},
    // Recording: the link failed and the recording looks for its thermometer.
    {299, "通信断：放射温度計 %s を2秒ごとに探しています（PAUSEで中止）",
     "Connection lost: looking for thermometer %s every 2 s (PAUSE stops)"},
    {300, "放射温度計が %s で再接続されました（中断 %s 秒）",
     "Thermometer reconnected on %s after a gap of %s s"},
    {301, "%s の放射温度計 %s は別の機器です。%s を探しています",
     "Not taken: the thermometer on %s is No. %s; looking for %s"},
    {302, "放射温度計は %s で見つかりました。今後このポートを使用しますか？",
     "The thermometer was found on %s. Use this port from now on?"},
    // Recording: REC refused because the measured temperature is switched off in the INI file.
    {303,
     "INIファイルの[Capture] TempReceiveが\"Yes\"ではないため、測定温度を受信できず取り込みを開始できません",
     "Cannot start recording: TempReceive in the [Capture] section of the INI file is not \"Yes\", so no "
     "measured temperature is received"},
    // Recording: a journal that lost part of its recording, or cannot be used at all.
    {320,
     "保存されていない記録が残っています（%s件、%s開始）が、記録の控えが損傷しているため一部が失われました：%"
     "s。読み込みますか？損傷した控えは %s として残します",
     "An unsaved recording was found (%s samples, started %s), but its journal is damaged and part of it was "
     "lost: %s. Do you want to load it? The damaged journal is kept as %s"},
    {321, "%s～%s番目の%s件（空白として補いました）", "samples %s to %s (%s samples, now a gap)"},
    {322, "末尾の不完全なブロック（%sバイト）", "an incomplete block at the end (%s bytes)"},
    {323, "記録領域に収まらない%s件", "%s samples beyond the buffer's size"},
    {324, "範囲外のヘッダー値（既定値で補いました）", "header values out of range (replaced by defaults)"},
    {325, "%s は記録の控えとして読めません（控えではないか、新しい版のものです）。%s として残しました",
     "%s cannot be read as a recording journal (it is none, or a newer version wrote it). It was kept as %s"},
    {326, "記録の控え %s にはデータがなかったため削除しました",
     "The recording journal %s held no sample and was removed"},
    {327, "記録の控え %s は損傷しており、使えるデータがありません。%s として残しました",
     "The recording journal %s is damaged and holds no usable sample. It was kept as %s"},
    // Memory data: the thermometer's count and the capacity table disagree; a write-back that
    // would erase records never read.
    {328, "放射温度計には%s件の記録がありますが、INIファイルの[MemSet] %s は%s件です。全%s件を表示します",
     "The thermometer holds %s records, but [MemSet] %s in the INI file allows %s. All %s are shown"},
    {329,
     "放射温度計の記録は%s件しか読み込めていません（全%"
     "s件）。書き込むと読み込んでいない記録が消えるため中止しました。再読み込みしてください",
     "Only %s of the thermometer's %s records were read; writing back would erase the records not read, so "
     "nothing was written. Read the memory again first"},
    // Memory data: a list saved after a read that stopped part-way.
    {330,
     "放射温度計の記録は%s件しか読み込めていません（全%s件）。一部であることが分かる名前 %s で保存しました",
     "Only %s of the thermometer's %s records were read, so the list was saved under a name that says it is "
     "partial: %s"},
    // Settings and data files that cannot be used as they are: the key or file is named.
    {340, "INIファイルの [%s] %s の値 \"%s\" は使用できません（%s ～ %s）。%s を使用します",
     "INI file: [%s] %s = \"%s\" is not accepted (%s to %s); %s is used instead"},
    {341, "INIファイルの [%s] %s が空です", "INI file: [%s] %s is empty"},
    {342, "INIファイルの [%s] %s = \"%s\" はシリアルポートではありません",
     "INI file: [%s] %s = \"%s\" is not a serial port"},
    {343, "INIファイルに [%s] セクションがありません。既定値を使用します",
     "INI file: there is no [%s] section; the defaults are used"},
    {344, "テンプレート %s に __LIST__ の行がないため、レポートを出力できません",
     "The template %s has no __LIST__ line: no report was written"},
    {345, "ファイル %s を読み込めませんでした", "Could not read the file %s"},
    // About box and installation.
    {360, "バージョン %s", "Version %s"},
    {361,
     "%s を開く権限がありません。%s グループに参加してください（sudo usermod -aG %s $USER "
     "の後、ログインし直す）",
     "No permission to open %s. Join the group %s to use it (sudo usermod -aG %s $USER, then log in again)"},
    // Window, port dialog and about box: captions and accessible names.
    {380, "タブ", "Tabs"},
    {381, "ロゴ", "Logo"},
    {382, "COMポート通信設定", "COM-port Setting"},
    {383, "使用するCOMポートを選択してください", "Select COM-port for Connecting"},
    {384, "COMポート", "COM port"},
    {385, "キャンセル", "Cancel"},
    {386, "アイコン", "Icon"},
    // Recording page: captions and accessible names.
    {390, "温度指示値", "T E M P "},
    {391, "グラフ", "Graph"},
    {392, "経過時間 (秒)", "TIME (Seconds)"},
    {393, "オート", "Auto"},
    {394, "時間軸の幅", "Time range"},
    {395, "時間の単位", "Time unit"},
    {396, "取り込み間隔", "Interval"},
    {397, "間隔 時", "Interval hours"},
    {398, "間隔 分", "Interval minutes"},
    {399, "間隔 秒", "Interval seconds"},
    {400, "100ミリ秒", "100 ms"},
    {401, "ミリ秒", "Milliseconds"},
    {402, "測定温度", "Temp."},
    {403, "室温", "Room"},
    {404, "警報HI", "Alarm HI"},
    {405, "警報LO", "Alarm LO"},
    {406, "放射率", "Emissivity"},
    {407, "タイマー", "Timer"},
    {408, "開始日", "Start date"},
    {409, "終了日", "End date"},
    {410, "適用", "Apply"},
    // Memory page: captions and accessible names.
    {411, "Celsius(℃)", "Celsius(°C)"},
    {412, "Fahrenheit(゜F)", "Fahrenheit(°F)"},
    {413, "メモリ項目選択", "Memory Items"},
    {414, "メモリ可能数", "Memory Available"},
    {415, "メモリデータ", "Memorized data"},
    {416, "全選択", "Select All Memory No."},
    {417, "全解除", "Unselect All Memory No."},
    {418, "読込", "Read"},
    {419, "書込", "Write"},
    {420, "保存", "Save"},
    // Teaching page: captions and notes.
    {421, "℃", "°C"},
    {422, "温度", "Temp."},
    {423, "ﾃｨｰﾁﾝｸﾞ後放射率", "After Emissivity"},
    {424, "放射率変更", "Emissivity Adjust"},
    {425, "読込み", "Read"},
    {426, "ティーチング実行", "Teaching"},
    {427,
     "※ "
     "放射率0.5以下の物質の測定は、赤外線エネルギーの放射が少ない為、正確な測定は困難ですので注意して下さい",
     "* Measurement with an emissivity of 0.5 or less substance has little radiation of infrared energy, "
     "exact measurement is difficult. It is recommended to use black tape for accurate value."},
    {428, "※ 放射率は、材質/表面状態などに依存するため、放射率表の数値はあくまで参考としてください",
     "* The Emissivity List depends on the quality of the material or surface state, the value of the table "
     "should give a reference value."},
    {429, "放射率表", "Emissivity List"},
    {430, "参考文献： 赤外線工学", "Referred to: Infrared Engineering Science Book"},
    // Settings page: captions and accessible names.
    {431, "アラーム設定", "Alarm Setting"},
    {432, "時刻設定", "Clock Setting"},
    {433, "パソコン時刻", "PC Time"},
    {434, "放射温度計時刻", "Thermometer"},
    {435, "手動設定", "Manual Setting"},
    {436, "時刻アラームON", "Clock Alarm ON"},
    {437, "時刻", "Time"},
    {438, "リセット", "RESET"},
    {439, "機種登録", "SAVE"},
    {440, "CSV保存", "Save as CSV"},
    {441, "時刻アラームの時", "Clock alarm hour"},
    {442, "時刻アラームの分", "Clock alarm minute"},
    {443, "日付", "Date"},
    {444, "時", "Hour"},
    {445, "分", "Minute"},
    {446, "秒", "Second"},
};

constexpr bool RowsAreSortedAndInRange()
{
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        if (kRows[i].id < kFirstStringId || kRows[i].id > kLastStringId) return false;
        if (i > 0 && kRows[i - 1].id >= kRows[i].id) return false;
    }
    return true;
}
static_assert(RowsAreSortedAndInRange(),
              "string rows must be unique, sorted by id and within the table's ids");

const StringRow* FindRow(int baseId)
{
    const auto* end = std::end(kRows);
    const auto* row = std::lower_bound(std::begin(kRows), end, baseId,
                                       [](const StringRow& r, int id) { return r.id < id; });
    return (row != end && row->id == baseId) ? row : nullptr;
}

} // namespace

const char* FindTableString(int id)
{
    if (id >= kFirstStringId && id <= kLastStringId) {
        const StringRow* row = FindRow(id);
        return row ? row->ja : nullptr;
    }
    if (id >= kFirstStringId + kEnglishIdOffset && id <= kLastStringId + kEnglishIdOffset) {
        const StringRow* row = FindRow(id - kEnglishIdOffset);
        return row ? row->en : nullptr;
    }
    return nullptr;
}

std::vector<StringEntry> AllTableStrings()
{
    std::vector<StringEntry> entries;
    entries.reserve(2 * std::size(kRows));
    for (const StringRow& row : kRows)
        entries.push_back({row.id, row.ja});
    for (const StringRow& row : kRows)
        entries.push_back({row.id + kEnglishIdOffset, row.en});
    return entries;
}
