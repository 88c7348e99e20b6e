#pragma once
// A shell for tests: records what it was asked to start and starts nothing. Thread-safe.

#include "platform/Shell.h"

#include <mutex>
#include <string>
#include <vector>

class CRecordingShell final : public CShell {
public:
    struct Started {
        std::u16string file;
        std::u16string parameters;
    };

    explicit CRecordingShell(bool starts = true)
        : m_starts(starts)
    {
    }

    bool Execute(std::u16string_view file, std::u16string_view parameters) override
    {
        std::lock_guard lock(m_mutex);
        m_started.push_back({std::u16string(file), std::u16string(parameters)});
        return m_starts;
    }
    // Whether the programs asked for from now on start.
    void SetStarts(bool starts)
    {
        std::lock_guard lock(m_mutex);
        m_starts = starts;
    }
    bool OpenUrl(std::u16string_view) override { return false; }
    bool OpenFile(std::u16string_view) override { return false; }

    std::vector<Started> StartedPrograms() const
    {
        std::lock_guard lock(m_mutex);
        return m_started;
    }

private:
    bool m_starts;
    mutable std::mutex m_mutex;
    std::vector<Started> m_started;
};
