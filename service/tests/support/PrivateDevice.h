#pragma once
// The private device folder the process was given before the service library was loaded.

const char* PrivateDeviceRoot();
