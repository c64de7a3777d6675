#include "checker/CamChecker.h"

#include "checker/CheckSchedule.h"
#include "checker/CheckTransfers.h"

#include <QDateTime>
#include <algorithm>

namespace {

// How often a server without the lease asks for it, and a holder makes sure it still holds it: a
// checker that ended is followed within this time.
constexpr int LeaseCheckMs = 10 * 1000;
// How often the cams are read again from the store.
constexpr qint64 CatalogueReadMs = 60 * 1000;
// Results are stored in batches at least this often.
constexpr qint64 KeepEveryMs = 1000;
// Waiting for checks to end is broken off this often, to store and to look at the time.
constexpr qint64 StepMs = 1000;

qint64 NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

TCamChecker::TCamChecker(TCatalogueStore& store, TCheckerSettings settings)
    : m_store(store)
    , m_settings(std::move(settings))
    , m_transfers(std::make_unique<TCheckTransfers>(m_settings.Agent)) {}

TCamChecker::~TCamChecker() {
    Stop();
}

void TCamChecker::RunDueChecks(TCheckSchedule& schedule, qint64 waitMs) {
    const qint64 now = NowMs();
    schedule.StartDue(
        now, [&] { return m_transfers->Running() < m_settings.Concurrency; },
        [&](const TCamToCheck& cam) {
            if (m_transfers->HostBusy(TCheckTransfers::HostOf(cam.Url)))
                return false;
            m_transfers->Start(cam);
            return true;
        });
    // Cams due but not started wait for a check to end, which ends the wait as well.
    const std::optional<qint64> next = schedule.NextDue();
    const qint64 wait = next && *next > now ? std::min(waitMs, *next - now) : waitMs;
    for (TCheckRecord& record : m_transfers->Progress(int(std::max<qint64>(wait, 0)))) {
        schedule.Ended(record.RefID, record.Result.At.toMSecsSinceEpoch());
        if (m_settings.Checked)
            m_settings.Checked(record.Result);
        m_batch.push_back(std::move(record));
    }
    if (!m_batch.empty() && NowMs() - m_keptAtMs >= KeepEveryMs)
        Keep();
}

void TCamChecker::Keep() {
    m_keptAtMs = NowMs();
    std::vector<TRecordedCheck> recorded;
    try {
        recorded = m_store.RecordChecks(m_batch, m_settings.Rules);
    } catch (const TStoreError& error) {
        // The cams are checked again in an interval; what was found now is lost, nothing else.
        if (m_settings.Note)
            m_settings.Note(std::string("cam checks could not be stored: ") + error.what());
    }
    m_batch.clear();
    for (TRecordedCheck& check : recorded) {
        if (m_settings.Note && check.WithheldBefore != check.Health.Withheld) {
            const std::string cam = "cam " + std::to_string(check.RefID);
            if (check.Health.Withheld.isEmpty())
                m_settings.Note(cam + " is offered again");
            else
                m_settings.Note(cam + " is withheld (" + check.Health.Withheld.toStdString() +
                                "): " + check.Health.LastFailure.toStdString());
        }
        m_recorded.push_back(std::move(check));
    }
}

std::vector<TRecordedCheck> TCamChecker::CheckOnce(const std::vector<TCamToCheck>& cams) {
    TCheckSchedule schedule(0);
    schedule.Update(cams, NowMs());
    m_recorded.clear();
    while (!schedule.Empty() || m_transfers->Running() > 0)
        RunDueChecks(schedule, StepMs);
    if (!m_batch.empty())
        Keep();
    return std::move(m_recorded);
}

void TCamChecker::Start() {
    m_stop = false;
    m_thread = std::thread([this] { Serve(); });
}

void TCamChecker::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_stopping.notify_all();
    {
        std::lock_guard lock(m_mutex);
        m_transfers->Wake();
    }
    if (m_thread.joinable())
        m_thread.join();
}

bool TCamChecker::Pause(int ms) {
    std::unique_lock lock(m_mutex);
    return !m_stopping.wait_for(lock, std::chrono::milliseconds(ms), [this] { return bool(m_stop); });
}

void TCamChecker::Serve() {
    const auto note = [this](const std::string& text) {
        if (m_settings.Note)
            m_settings.Note(text);
    };
    std::unique_ptr<TCheckerLease> lease;
    std::unique_ptr<TCheckSchedule> schedule;
    qint64 readAtMs = 0;
    while (!m_stop) {
        bool held = false;
        try {
            if (!lease)
                lease = m_store.CheckerLease();
            held = lease->Hold();
        } catch (const TStoreError& error) {
            note(std::string("the checker lease cannot be asked for: ") + error.what());
        }
        if (!held) {
            if (schedule) {
                note("another server checks the cams now (the checker lease was lost)");
                schedule.reset();
                std::lock_guard lock(m_mutex);
                m_transfers = std::make_unique<TCheckTransfers>(m_settings.Agent);
                m_batch.clear();
            }
            Pause(LeaseCheckMs);
            continue;
        }
        if (!schedule) {
            note("this server checks the cams (it holds the checker lease)");
            schedule = std::make_unique<TCheckSchedule>(m_settings.IntervalSeconds * 1000);
            readAtMs = 0;
        }
        try {
            if (NowMs() - readAtMs >= CatalogueReadMs) {
                m_store.ForgetRemovedCamsHealth();
                schedule->Update(m_store.CamsToCheck(), NowMs());
                readAtMs = NowMs();
            }
        } catch (const TStoreError& error) {
            note(std::string("the cams to check cannot be read: ") + error.what());
        }
        const qint64 until = NowMs() + LeaseCheckMs;
        while (!m_stop && NowMs() < until)
            RunDueChecks(*schedule, std::min(StepMs, until - NowMs()));
        m_recorded.clear();
    }
    if (!m_batch.empty())
        Keep();
}
