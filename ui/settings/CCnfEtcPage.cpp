#include "ui/settings/CCnfEtcPage.h"

#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <array>
#include <string_view>

#include "res/StringTable.h"
#include "res/TextFormat.h"

namespace trovik {

namespace {
constexpr unsigned kTopMostBox = 1004;
constexpr unsigned kIconTitleBox = 1012;
constexpr unsigned kShowErrorBox = 1033;
constexpr unsigned kLogFileBox = 1034;
constexpr unsigned kLogStaticsBox = 1035;
constexpr unsigned kTrayOnStartBox = 1091;
constexpr unsigned kAskExitBox = 1101;
}  // namespace

std::vector<std::string> PresentInterfaceNames(const CounterSource& counters) {
    std::array<char, 256> text{};
    const std::size_t n = counters.PresentLinksInto(text.data(), text.size());
    std::vector<std::string> names;
    for (std::string_view rest(text.data(), n); !rest.empty();) {
        const std::size_t blank = std::min(rest.find(' '), rest.size());
        if (blank != 0) {
            names.emplace_back(rest.substr(0, blank));
        }
        rest.remove_prefix(std::min(blank + 1, rest.size()));
    }
    return names;
}

CCnfEtcPage::CCnfEtcPage(const SheetContext& sheet, QWidget* parent)
    : CCnfPage(kEtcPage, sheet, parent) {}

void CCnfEtcPage::Initialise() {
    BuildPage(this, dialogTemplate);
    values = LoadEtcPage(store, context.loginStart);
    SetChecked(kTopMostBox, values.topMost);
    SetChecked(kIconTitleBox, values.iconTitle);
    SetChecked(kShowErrorBox, values.showError);
    SetChecked(kLogFileBox, values.logFile);
    SetChecked(kLogStaticsBox, values.logStatics);
    SetChecked(kTrayOnStartBox, values.trayIconOnStart);
    SetChecked(kAskExitBox, values.askExitFromPopup);
    SetChecked(kNotifyBox, values.notify);
    SetChecked(kAppUsageBox, values.appUsage);
    SetChecked(kLoginStartBox, values.startAtLogin);
    Control(kLoginStartBox)->setEnabled(context.loginStart != nullptr);
    loginAtOpening = values.startAtLogin;
    std::string_view reason;
    exactOffered = false;
    if (context.exact != nullptr) {
        switch (context.exact->Support()) {
            case ExactSupport::Available:
                exactOffered = true;
                break;
            case ExactSupport::NoCgroup2:
                reason = kNoCgroup2Text;
                break;
            case ExactSupport::NoBpf:
                reason = kNoBpfText;
                break;
        }
    }
    values.exactAccounting = exactOffered && context.exact->Answering();
    exactAtOpening = values.exactAccounting;
    SetChecked(kExactBox, values.exactAccounting);
    Control(kExactBox)->setEnabled(exactOffered);
    Control<QLabel>(kExactReasonText)
        ->setText(QString::fromUtf8(reason.data(), static_cast<qsizetype>(reason.size())));
    Control<QLineEdit>(kInterfacesControl)->setText(QString::fromStdString(values.interfaces));
    std::string present;
    for (const std::string& name : context.presentInterfaces) {
        present += (present.empty() ? "" : " ") + name;
    }
    // When no link is counted the meter reads 0: the page says why.
    const std::string hint =
        context.countsNothing
            ? (present.empty()
                   ? std::string(LoadString(kNoLinkPresent))
                   : FormatText(LoadString(kNoLinkCounted), {std::string_view(present)}))
            : "いまあるインターフェース：" + (present.empty() ? std::string("（なし）") : present);
    Control<QLabel>(kInterfacesHintControl)->setText(QString::fromStdString(hint));
}

bool CCnfEtcPage::Exchange() {
    values.iconTitle = Checked(kIconTitleBox);
    values.topMost = Checked(kTopMostBox);
    values.showError = Checked(kShowErrorBox);
    values.logFile = Checked(kLogFileBox);
    values.logStatics = Checked(kLogStaticsBox);
    values.trayIconOnStart = Checked(kTrayOnStartBox);
    values.askExitFromPopup = Checked(kAskExitBox);
    values.notify = Checked(kNotifyBox);
    values.appUsage = Checked(kAppUsageBox);
    values.startAtLogin = Checked(kLoginStartBox);
    values.exactAccounting = exactOffered && Checked(kExactBox);
    auto* field = Control<QLineEdit>(kInterfacesControl);
    const std::string interfaces = field->text().toStdString();
    if (const auto bad = FirstBadInterfaceName(interfaces)) {
        Refuse(field, InterfaceNameMessage(*bad));
        return false;
    }
    values.interfaces = interfaces;
    return true;
}

void CCnfEtcPage::Write() {
    WriteEtcPage(store, values);
    if (!ApplyLoginStart(context.loginStart, loginAtOpening, values.startAtLogin)) {
        messages.Show(0, LoginStartMessage(values.startAtLogin, context.loginStart->Location()),
                      MessageIcon::Exclamation);
    }
    // pkexec runs on without the sheet waiting, and says itself when the
    // consent was refused; the box shows the outcome the next time the page
    // opens.
    if (exactOffered) {
        (void)ApplyExactAccounting(context.exact, exactAtOpening, values.exactAccounting);
    }
}

}  // namespace trovik
