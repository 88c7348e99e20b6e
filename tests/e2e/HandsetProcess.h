#pragma once
// One handset as its user runs it, for end-to-end tests with several handsets: a device folder of its
// own (LUMENO_DEVICE_ROOT) with its device.conf, and lumeno-cli and lumeno-pim run on it as processes
// against a running lumeno-refserver. Used by one test thread.

#include "CliProcess.h"
#include "RefServerProcess.h"
#include "testing/TempDir.h"

#include <string>
#include <utility>
#include <vector>

class CHandsetProcess {
public:
    // A fresh handset with this IMEI (its device id is the first 16 digits), its settings pointing at
    // the server.
    CHandsetProcess(const CRefServerProcess& server, const std::string& imei);

    std::string DeviceId() const { return m_imei.substr(0, 16); }
    // The handset's device folder (its "My Documents", storage cards and data).
    const std::filesystem::path& Root() const { return m_folder.Path(); }
    std::vector<std::string> Environment() const;

    // Exit status and output of lumeno-cli, lumeno-pim or lumeno-sms.
    std::pair<int, std::string> Cli(const std::vector<std::string>& arguments, const std::string& input = "") const;
    std::pair<int, std::string> Pim(const std::vector<std::string>& arguments) const;
    std::pair<int, std::string> Sms(const std::vector<std::string>& arguments) const;

    // Joins the account: its user id and password, then identification (the wizard kept, no Sync).
    bool Join(const std::string& userId, const std::string& password) const;
    // The operation with every question answered yes; its exit status. The output of the last one that
    // failed is kept for the test's message.
    int Sync() const;
    int Restore() const;
    const std::string& LastFailure() const { return m_lastFailure; }

    // Adds the items of a .vcf or .vcs text.
    bool Import(const std::string& text) const;
    // Gives item `id` the content of `text`, keeping its id.
    bool Edit(const std::string& id, const std::string& text) const;
    bool Delete(const std::string& id) const;

    // The items of a kind ("contacts", "appointments", "tasks") as "checksum<TAB>title" lines, sorted:
    // two handsets with equal lists hold equal texts.
    std::vector<std::string> Items(const std::string& kind) const;
    // The ids of the items of a kind with this title.
    std::vector<std::string> IdsOf(const std::string& kind, const std::string& title) const;
    std::string Export(const std::string& kind) const;

private:
    int RunOperation(const std::string& command) const;

    TempDir m_folder;
    std::string m_imei;
    mutable std::string m_lastFailure;
};

// A vCard 2.1 text of one contact: its name, then `lines` (each ended here).
std::string CardText(const std::string& last, const std::string& first, const std::vector<std::string>& lines = {});
