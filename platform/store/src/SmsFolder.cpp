// A folder and a message of the messaging store: the operations the SMS flows need, over the store's
// own reads and writes (MAPIMsgStore.cpp).

#include "platform/MAPIMsgStore.h"

namespace {

constexpr std::u16string_view kSmsClass = u"IPM.SMStext";
constexpr std::u16string_view kSmsAddressType = u"SMS";

} // namespace

void MAPIMessage::AddRecipient(MsgRecipient recipient)
{
    // The handset's store shows a recipient written with an address only under that address.
    if (recipient.displayName.empty())
        recipient.displayName = recipient.address;
    m_recipients.push_back(std::move(recipient));
}

bool MAPIMessage::Save()
{
    return m_store.SaveMessage(*this);
}

SmsFolder::SmsFolder(MAPIMsgStore& store, std::int64_t id, std::u16string name)
    : m_store(store), m_id(id), m_name(std::move(name))
{}

bool SmsFolder::ListMessages(std::vector<MsgStoreEntry>& list) const
{
    return m_store.ListFolderMessages(m_id, list);
}

std::unique_ptr<MAPIMessage> SmsFolder::OpenMessage(const EntryId& entry) const
{
    return m_store.LoadMessage(m_id, entry);
}

bool SmsFolder::DeleteMessage(const EntryId& entry)
{
    return m_store.DeleteFolderMessage(m_id, entry);
}

std::unique_ptr<MAPIMessage> SmsFolder::CreateSmsMessage()
{
    std::unique_ptr<MAPIMessage> message = m_store.NewMessage(m_id);
    message->SetMessageClass(kSmsClass);
    message->SetFlags(MSGFLAG_UNSENT);
    return message;
}

bool SmsFolder::WriteSms(MAPIMessage& message, std::u16string_view text, std::u16string_view from,
                         std::u16string_view to, FileTime deliveryTime)
{
    message.SetFlags(MSGFLAG_READ | MSGFLAG_FROMME);
    message.SetSubject(text);
    message.SetBody(text);
    message.SetDeliveryTime(deliveryTime);
    message.AddRecipient({{}, std::u16string(to), std::u16string(kSmsAddressType), MAPI_TO});
    message.SetSenderAddress(from);
    return message.Save();
}
