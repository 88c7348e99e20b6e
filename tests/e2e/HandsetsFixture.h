#pragma once
// A test with one account on its own lumeno-refserver and handsets that join it as their users do, each
// run as processes (CHandsetProcess). A failing test prints the server's log.

#include "HandsetProcess.h"

#include <gtest/gtest.h>

#include <memory>
#include <string_view>
#include <vector>

class HandsetsTest : public ::testing::Test {
protected:
    static constexpr char kUser[] = "alice";
    static constexpr char kPassword[] = "sesame";

    void SetUp() override;
    void TearDown() override;

    // Handset `number` of the account, joined on first use.
    CHandsetProcess& Handset(std::size_t number);
    AdminReply Admin(std::string_view command, const AdminFields& fields = {}) const;

    // Runs once on each handset right after it joined.
    virtual void Prepare(CHandsetProcess&) {}

    CRefServerProcess m_server;

private:
    std::vector<std::unique_ptr<CHandsetProcess>> m_handsets;
};
