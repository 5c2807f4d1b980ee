#include "res/StringTable.h"

#include <algorithm>
#include <array>

namespace trovik {
namespace {

struct Entry {
    unsigned id;
    std::string_view text;
};

// Sorted by id. Texts 201 to 206 begin with an ASCII blank, text 207 with an
// ideographic space; the half-width katakana are part of the texts.
constexpr Entry kEntries[] = {
    {1, "速度推移グラフのデータも含め、すべての統計情報をクリアしますか？"},
    {2, "ダイヤルアップ接続されていません。"},
    {3, "ダイヤルアップ接続を切断しました。"},
    {4, "ダイヤルアップ接続を切断できませんでした。"},
    {5, "ダイヤルアップ接続を切断しますか？"},
    {6, "通信速度"},
    {7, "レジストリから情報が取得できません。"},
    {8, "タイマー登録が出来ません。"},
    {9, "このプログラムは、WindowsNTでは使用できません。"},
    {10, "設定変更"},
    {14, "システムの自動終了"},
    {15, "%u秒後にシステムを自動終了します。"},
    {17, "Vemaroを終了しますか？"},
    {18, "累計情報ファイルが見つかりません。"},
    {19, "自動シャットダウンをキャンセルしました。"},
    {20, "自動シャットダウンタイマは、カウントダウンしていません。"},
    {100, "ScaleTx"},
    {101, "ScaleRx"},
    {102, "TopMost"},
    {103, "IconTitle"},
    {104, "SpanAll"},
    {105, "ShowError"},
    {106, "IdolTimer"},
    {107, "DiscOnError"},
    {108, "DiscOnTimeUp"},
    {109, "Span"},
    {110, "ClickL"},
    {111, "ClickM"},
    {112, "ClickR"},
    {113, "DiscOnIdol"},
    {114, "ErrorLimit"},
    {115, "WndPosX"},
    {116, "WndPosY"},
    {117, "GraphMode"},
    {118, "LogFile"},
    {119, "ShutDownTimeout"},
    {120, "ShutDownTimer"},
    {121, "ClickShiftL"},
    {122, "ClickShiftM"},
    {123, "ClickShiftR"},
    {124, "LayoutType"},
    {125, "SystemTick"},
    {126, "LogStatics"},
    {127, "TollCloseDay"},
    {128, "IdolTimeIgnoreTx"},
    {129, "TrayIconOnStart"},
    {130, "MeterInTray"},
    {131, "TrayIcon"},
    {132, "AskExitFromPopup"},
    {133, "CumulateRX"},
    {134, "CumulateTX"},
    {135, "CumulateToll"},
    {136, "CumulateFree"},
    {137, "LogCumulate"},
    {138, "DefaultTollType"},
    {139, "TollTypesDispMask"},
    {140, "ExtDLL"},
    {141, "Interfaces"},
    {142, "QuotaMB"},
    {143, "QuotaWarn"},
    {144, "DiscOnQuota"},
    {145, "Notify"},
    {146, "AppUsage"},
    {200, "通信エラー発生 -"},
    {201, " ｱﾗｲﾒﾝトｴﾗｰ"},
    {202, " ﾊﾞｯﾌｧｵｰﾊﾞｰﾗﾝ"},
    {203, " CRCｴﾗｰ"},
    {204, " ﾌﾚｰﾐﾝｸﾞｴﾗｰ"},
    {205, " ｵｰﾊﾞｰﾗﾝ"},
    {206, " 不完全ﾌﾚｰﾑ"},
    {207, "　ﾀｲﾑｱｳﾄ"},
    {208, "７時５５分到来 - 回線切断成功"},
    {209, "７時５５分到来 - 回線切断失敗"},
    {210, "通信途絶 - 回線切断成功"},
    {211, "通信途絶 - 回線切断失敗"},
    {212, "無接続持続 - システム終了開始"},
    {213, "システム終了失敗"},
    {214, "オペレータによる切断要求 - 回線切断成功"},
    {215, "オペレータによる切断要求 - 回線切断失敗"},
    {216, "回線が接続されました"},
    {217,
     "回線が切断されました 接続時間=%u時間%02u分 総受信=%I64uKB(%uB/S)  総送信=%I64uKB(%uB/S)"},
    {218, "システム終了はオペレータによってキャンセルされました"},
    {219, "- - - - - -"},
    {220, "データ量警告 - 今期の使用量が%u%%に達しました"},
    {221, "データ量上限到達 - 今期の使用量が上限に達しました"},
    {222, "データ量上限 - 回線切断成功"},
    {223, "データ量上限 - 回線切断失敗"},
    {224, "通信エラー多発 - 回線切断成功"},
    {225, "通信エラー多発 - 回線切断失敗"},
    {226, "スリープに入りました"},
    {227, "スリープから復帰しました (休止 %u時間%02u分)"},
    {228, "計測の中断を検出しました (%u時間%02u分)"},
    {229, "時計の変更を検出しました (%+lld秒)"},
    {240, "今日の目安 あと %s"},
    {241, "期末見込み %s"},
    {245, "回線 %s はどのサービスの管理下にもないため切断しません"},
    {246, "計測する回線がありません (見つかった回線: %s)"},
    {247, "計測する回線がありません (回線が見つかりません)"},
    {57344, "Vemaro"},
};

constexpr bool IsSorted() {
    for (std::size_t i = 1; i < std::size(kEntries); ++i) {
        if (kEntries[i - 1].id >= kEntries[i].id) {
            return false;
        }
    }
    return true;
}
static_assert(IsSorted(), "the string table must stay sorted by id");

constexpr std::size_t TextLength(unsigned id) {
    for (const Entry& e : kEntries) {
        if (e.id == id) {
            return e.text.size();
        }
    }
    return 0;
}

constexpr std::size_t ErrorLineLength() {
    std::size_t length = TextLength(kLogErrorHead);
    for (unsigned id = kLogErrorAlignment; id < kLogErrorAlignment + 7; ++id) {
        length += TextLength(id);
    }
    return length;
}
static_assert(ErrorLineLength() == kLongestErrorLine,
              "kLongestErrorLine must be the head and all seven error kinds");

}  // namespace

std::string_view LoadString(unsigned id) {
    const auto* it = std::lower_bound(std::begin(kEntries), std::end(kEntries), id,
                                      [](const Entry& e, unsigned v) { return e.id < v; });
    if (it == std::end(kEntries) || it->id != id) {
        return {};
    }
    return it->text;
}

}  // namespace trovik
