#include "core/MeterEngine.h"

#include "res/StringTable.h"

namespace trovik {

MeterEngine::MeterEngine(const MeterEnv& environment) : env(environment) {}

bool MeterEngine::Start() {
    settings = LoadSettings(env.settings);

    windowLeft = env.settings.GetInt(SettingKey::WndPosX, windowLeft);
    windowTop = env.settings.GetInt(SettingKey::WndPosY, windowTop);

    if (!env.counters.Open()) {
        env.messages.Show(0, kStatSourceUnopenedText, MessageIcon::Stop);
        return false;
    }
    sourceOpen = true;

    env.counters.Refresh();
    if (!ResetMeter()) {
        env.messages.Show(kMsgCountersUnreadable, LoadString(kMsgCountersUnreadable),
                          MessageIcon::Stop);
        return false;
    }
    resetRequested = false;
    return true;
}

void MeterEngine::Tick() {
    env.counters.Refresh();
    sampler.ShiftAndRead(env.counters, errors);
    sampler.DetectWraps();

    if (resetRequested) {
        resetRequested = false;
        (void)ResetMeter();
    }

    sampler.CountActivity();
    sampler.ComputeRates(settings.span);
    sampler.FeedHistory();
    FillReading();
}

bool MeterEngine::ResetMeter() {
    std::uint32_t sent = 0;
    std::uint32_t recv = 0;
    if (!ReadByteCounters(env.counters, sent, recv)) {
        return false;
    }
    scopeBaseRecv = recv;
    scopeLastMinute = -1;
    cumBaseRecv = recv;
    cumBaseSent = sent;
    sampler.Reset(sent, recv);

    idleSeconds = 0;
    connectCount = 0;
    autoDisconnects = 0;
    offlineSeconds = 0;
    everConnected = false;
    connectTime = env.clock.Now();
    shutdownCountdown = 30;

    ResetErrorCounters(env.counters, errors);
    return true;
}

void MeterEngine::Destroy() {
    if (sourceOpen) {
        env.counters.Close();
        sourceOpen = false;
    }
    SaveOnExit();
}

void MeterEngine::SaveOnExit() {
    env.settings.PutInt(SettingKey::WndPosX, windowLeft);
    env.settings.PutInt(SettingKey::WndPosY, windowTop);
    env.settings.PutInt(SettingKey::SystemTick, static_cast<std::int32_t>(env.clock.TickCount()));
}

void MeterEngine::FillReading() {
    const RatePair shown = sampler.Displayed(settings.spanAll);
    reading.rateTx = shown.sent;
    reading.rateRx = shown.recv;
    reading.percentTx = Percent(shown.sent, settings.scaleTx);
    reading.percentRx = Percent(shown.recv, settings.scaleRx);
    reading.totalTx = sampler.totalSent;
    reading.totalRx = sampler.totalRecv;
}

}  // namespace trovik
