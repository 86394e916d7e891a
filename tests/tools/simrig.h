#pragma once

#include "clock.h"
#include "simulator.h"

#include <algorithm>
#include <functional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tarnwell::test {

// A clock that moves only when the test says so; callbacks run in due order.
class ManualClock : public sim::Clock {
public:
    void after(int ms, std::function<void()> callback) override
    {
        m_jobs.push_back({m_now + ms, m_seq++, std::move(callback)});
    }

    void advance(long ms)
    {
        const long target = m_now + ms;
        for (;;) {
            auto next = std::min_element(m_jobs.begin(), m_jobs.end(), [](const Job &a, const Job &b) {
                return a.due != b.due ? a.due < b.due : a.seq < b.seq;
            });
            if (next == m_jobs.end() || next->due > target)
                break;
            m_now = next->due;
            auto fn = std::move(next->fn);
            m_jobs.erase(next);
            fn();
        }
        m_now = target;
    }

    size_t pending() const { return m_jobs.size(); }

private:
    struct Job {
        long due;
        long seq;
        std::function<void()> fn;
    };
    long m_now = 0;
    long m_seq = 0;
    std::vector<Job> m_jobs;
};


struct SimSetup {
    sim::Model model = sim::Model::S3100;
    int ports = 24;
    std::string user, password;
};

// A simulated switch of the given class, ports and login, driven byte by byte without a terminal.
struct SimRig {
    using Setup = SimSetup;

    static std::vector<sim::Simulator::Switch> switches(const Setup &s)
    {
        sim::SwitchProfile entry;
        entry.model = s.model;
        entry.ports = s.ports;
        entry.address = "10.0.0.1";
        entry.user = s.user;
        entry.password = s.password;
        return {{entry, sim::SwitchConfig(std::string("SW") + sim::modelNumber(s.model) + "-A", s.ports)}};
    }

    explicit SimRig(const Setup &s = {})
        : sim(clock, switches(s), 0, [this](std::string_view t) { out.append(t.data(), qsizetype(t.size())); })
    {
    }

    // Types bytes and returns what the switch wrote in answer.
    QByteArray type(const QByteArray &bytes)
    {
        out.clear();
        sim.input(std::string_view(bytes.constData(), size_t(bytes.size())));
        return out;
    }
    QByteArray wait(long ms)
    {
        out.clear();
        clock.advance(ms);
        return out;
    }
    // Lists the running configuration, paging with spaces, and returns its lines.
    QStringList listing()
    {
        QByteArray all = type("dis cu\r");
        for (int i = 0; i < 20 && all.endsWith("  ---- More ----"); ++i)
            all += type(" ");
        all.replace("  ---- More ----\x1b[42D                                          \x1b[42D", "");
        QStringList lines = QString::fromLatin1(all).split("\r\n");
        lines.removeFirst(); // the echoed command
        lines.removeLast();  // the prompt
        return lines;
    }
    // The lines of one port's block, without its header and closing "#".
    QStringList portBlock(int port)
    {
        const QStringList lines = listing();
        const qsizetype start = lines.indexOf(QString("interface Ethernet1/0/%1").arg(port));
        QStringList block;
        for (qsizetype i = start + 1; start >= 0 && i < lines.size() && lines[i] != "#"; ++i)
            block << lines[i];
        return block;
    }

    ManualClock clock;
    QByteArray out;
    sim::Simulator sim;
};

} // namespace tarnwell::test
