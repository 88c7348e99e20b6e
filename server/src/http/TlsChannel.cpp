// The TLS side of a byte channel: OpenSSL over the non-blocking socket, every handshake, read and write
// step waiting through the channel's deadline-bound Wait.

#include "http/ByteChannel.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <climits>
#include <poll.h>

namespace {

class CTlsChannel final : public CByteChannel {
public:
    CTlsChannel(int socket, SSL_CTX* context, StopCheck stopping)
        : CByteChannel(socket, std::move(stopping)), m_ssl(SSL_new(context))
    {
        if (m_ssl)
            SSL_set_fd(m_ssl, socket);
    }

    ~CTlsChannel() override
    {
        if (!m_ssl)
            return;
        // One close-notify, without waiting for the peer's.
        ERR_clear_error();
        SSL_shutdown(m_ssl);
        SSL_free(m_ssl);
    }

    bool Open(Deadline deadline) override
    {
        if (!m_ssl)
            return false;
        for (;;) {
            ERR_clear_error();
            const int result = SSL_accept(m_ssl);
            if (result == 1)
                return true;
            if (!WaitFor(SSL_get_error(m_ssl, result), deadline))
                return false;
        }
    }

    long Read(char* data, std::size_t size, Deadline deadline) override
    {
        for (;;) {
            ERR_clear_error();
            const int result = SSL_read(m_ssl, data, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
            if (result > 0)
                return result;
            const int error = SSL_get_error(m_ssl, result);
            if (error == SSL_ERROR_ZERO_RETURN)
                return 0;
            if (!WaitFor(error, deadline))
                return -1;
        }
    }

    bool Write(std::string_view data, Deadline deadline) override
    {
        while (!data.empty()) {
            ERR_clear_error();
            const int chunk = static_cast<int>(std::min<std::size_t>(data.size(), INT_MAX));
            const int result = SSL_write(m_ssl, data.data(), chunk);
            if (result > 0) {
                data.remove_prefix(static_cast<std::size_t>(result));
                continue;
            }
            if (!WaitFor(SSL_get_error(m_ssl, result), deadline))
                return false;
        }
        return true;
    }

    bool WaitReadable(Deadline deadline) override { return SSL_pending(m_ssl) > 0 || Wait(POLLIN, deadline); }

private:
    // Waits for what OpenSSL asked for; false for any other error.
    bool WaitFor(int error, Deadline deadline) const
    {
        if (error == SSL_ERROR_WANT_READ)
            return Wait(POLLIN, deadline);
        if (error == SSL_ERROR_WANT_WRITE)
            return Wait(POLLOUT, deadline);
        return false;
    }

    SSL* const m_ssl;
};

} // namespace

std::unique_ptr<CByteChannel> MakeTlsChannel(int socket, ssl_ctx_st* context, StopCheck stopping)
{
    return std::make_unique<CTlsChannel>(socket, context, std::move(stopping));
}
