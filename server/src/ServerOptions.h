#pragma once
// The command line of lumeno-refserver in server mode, and the help text that documents it together
// with the operator mode.

#include "store/AccountStore.h"

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>

struct ServerOptions {
    std::filesystem::path dataFolder;
    std::string listen = "127.0.0.1";
    int port = 0;
    std::string adminListen = "127.0.0.1";
    int adminPort = 0;
    std::string objectPath = "/sync/serv";
    std::string smsPath = "/sms-gateway";
    std::string certificateFile;
    std::string keyFile;
    std::string publicUrl; // empty: made from the scheme, listen address, port and object path
    std::string msisdn = "+15550101212";
    int pushPort = 1212;
    int pushDelayMs = 300;
    int identificationTimeoutMs = 60000;
    int smsAttempts = 5;
    int sessionTimeoutSeconds = 1800;
    KeyDelivery keyDelivery = KeyDelivery::Header;
    std::size_t maxBodyBytes = 16 * 1024 * 1024;
    std::size_t logCapacity = 1000;
};

enum class ParseOutcome { Run, Help, Error };

struct ParsedOptions {
    ParseOutcome outcome = ParseOutcome::Error;
    ServerOptions options;
    std::string error;
};

// Reads the arguments after the program name.
ParsedOptions ParseServerOptions(std::span<const std::string> arguments);

// Every option of both modes and every operator command with its fields.
std::string HelpText();
