#pragma once
// The libcurl implementation of CHttpClient (the default factory's product).

#include "platform/HttpClient.h"

#include <memory>

std::unique_ptr<CHttpClient> CreateCurlHttpClient();
