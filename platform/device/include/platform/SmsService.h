#pragma once
// The handset's SMS service: the service-centre number, and sending a text message.
//
// The default service takes the service-centre number from the device configuration ("smsc"; empty
// means the SIM has no service centre) and hands each sent message to the configured gateway
// ("sms-gateway", an http(s) address that receives a form POST with the fields "to" and "text", UTF-8;
// "ca-file" as for the server). Every attempt is recorded as one line of "sent-sms.log" in the device
// data folder (time, number, text, outcome). No gateway, a transport failure or a status other than
// 2xx is a send failure. Tests may install their own service.

#include <string>
#include <string_view>

class CSmsService {
public:
    virtual ~CSmsService() = default;
    // False when the service has no service-centre number.
    virtual bool GetServiceCentre(std::u16string& number) = 0;
    virtual bool Open() = 0;
    virtual bool Send(std::u16string_view destination, std::u16string_view text) = 0;
    virtual void Close() = 0;

    static CSmsService& Get();
    static void Install(CSmsService* service); // nullptr: the default service
};
