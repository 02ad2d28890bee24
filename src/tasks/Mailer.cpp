#include "tasks/Mailer.h"

#include "foundation/CommaText.h"
#include "foundation/DateUtils.h"
#include "foundation/MessageLoop.h"
#include "foundation/PathUtils.h"
#include "foundation/StringUtils.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <curl/curl.h>
#include <future>
#include <memory>
#include <mutex>
#include <openssl/evp.h>
#include <random>
#include <thread>

namespace {

// ---- texts ------------------------------------------------------------------------

bool IsAscii(std::string_view text)
{
    for (const unsigned char c : text) {
        if (c >= 0x80) {
            return false;
        }
    }
    return true;
}

std::string Base64(std::string_view bytes)
{
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<size_t>(length));
    return out;
}

std::string WithoutLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        out += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return out;
}

// Characters that force a display name into quotes (RFC 5322 specials).
bool NeedsQuotes(std::string_view name)
{
    return name.find_first_of("()<>[]:;@\\,.\"") != std::string_view::npos;
}

std::string QuotedName(std::string_view name)
{
    std::string out = "\"";
    for (const char c : name) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

// The body lines as one text, each line ended by CR LF.
std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string JoinAddresses(const std::vector<TMailAddress>& list, const char* separator, bool header)
{
    std::string text;
    for (const TMailAddress& address : list) {
        if (!text.empty()) {
            text += separator;
        }
        text += header ? MailAddressHeader(address) : address.Address;
    }
    return text;
}

std::string LocalDateHeader()
{
    const long long unixNow = Platform::UnixSecondsFromFileTime(NowUtc());
    const double offsetDays = UnixToLocalDateTime(unixNow) - UnixToDateTime(unixNow);
    return MailDateText(unixNow, static_cast<int>(std::lround(offsetDays * 1440.0)));
}

std::string MessageId(const std::string& from)
{
    std::random_device random;
    char unique[40];
    std::snprintf(unique, sizeof unique, "%08x%08x.%llx", random(), random(),
                  static_cast<unsigned long long>(Platform::UnixSecondsFromFileTime(NowUtc())));
    const size_t at = from.rfind('@');
    const std::string domain = at == std::string::npos || at + 1 == from.size() ? "tessaro.local" : from.substr(at + 1);
    return "<" + std::string(unique) + "@" + domain + ">";
}

// ---- attachments ---------------------------------------------------------------------

struct TAttachmentSource
{
    std::unique_ptr<Platform::TFile> File;
    std::string Name;
    std::string Type;
    int64_t Size = 0;
};

size_t ReadAttachment(char* buffer, size_t size, size_t count, void* arg)
{
    auto* source = static_cast<TAttachmentSource*>(arg);
    const int64_t got = source->File->Read(buffer, size * count);
    return got < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(got);
}

int SeekAttachment(void* arg, curl_off_t offset, int origin)
{
    auto* source = static_cast<TAttachmentSource*>(arg);
    if (origin != SEEK_SET) {
        return CURL_SEEKFUNC_CANTSEEK;
    }
    return source->File->Seek(offset) == offset ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
}

std::string AttachmentType(const std::string& line)
{
    const size_t bar = line.find('|');
    const std::string type = bar == std::string::npos ? std::string() : line.substr(bar + 1);
    if (type.empty()) {
        return "application/octet-stream";
    }
    return type.find('/') == std::string::npos ? "application/" + type : type;
}

// ---- one transfer ----------------------------------------------------------------------

void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Owns the handles of one send; every curl_* object is freed with it.
class TTransfer
{
public:
    TTransfer() : handle(curl_easy_init()) {}
    ~TTransfer()
    {
        if (mime) {
            curl_mime_free(mime);
        }
        curl_slist_free_all(headerList);
        curl_slist_free_all(recipientList);
        if (handle) {
            curl_easy_cleanup(handle);
        }
    }
    TTransfer(const TTransfer&) = delete;
    TTransfer& operator=(const TTransfer&) = delete;

    CURL* handle;
    curl_mime* mime = nullptr;
    curl_slist* headerList = nullptr;
    curl_slist* recipientList = nullptr;
    std::vector<std::unique_ptr<TAttachmentSource>> sources;
    char errorText[CURL_ERROR_SIZE] = {};
    std::atomic<bool> connected = false;

    void AddHeader(const std::string& line) { headerList = curl_slist_append(headerList, line.c_str()); }
    void AddRecipient(const std::string& address)
    {
        recipientList = curl_slist_append(recipientList, ("<" + address + ">").c_str());
    }

    void AddTextPart(curl_mime* into, const std::string& text, const char* type)
    {
        curl_mimepart* part = curl_mime_addpart(into);
        curl_mime_data(part, text.data(), text.size());
        curl_mime_type(part, type);
        curl_mime_encoder(part, TextTransferEncoding(text));
        // Body parts are shown, not saved.
        curl_mime_headers(part, curl_slist_append(nullptr, "Content-Disposition: inline"), 1);
    }

    void AddAlternatives(const std::string& plain, const std::string& html)
    {
        curl_mime* alternatives = curl_mime_init(handle);
        AddTextPart(alternatives, plain, "text/plain; charset=utf-8");
        AddTextPart(alternatives, html, "text/html; charset=utf-8");
        curl_mimepart* part = curl_mime_addpart(mime);
        curl_mime_subparts(part, alternatives);
        curl_mime_type(part, "multipart/alternative");
        curl_mime_headers(part, curl_slist_append(nullptr, "Content-Disposition: inline"), 1);
    }

    void AddAttachment(std::unique_ptr<TAttachmentSource> source)
    {
        curl_mimepart* part = curl_mime_addpart(mime);
        curl_mime_data_cb(part, source->Size, ReadAttachment, SeekAttachment, nullptr, source.get());
        curl_mime_filename(part, source->Name.c_str());
        curl_mime_type(part, source->Type.c_str());
        curl_mime_encoder(part, "base64");
        sources.push_back(std::move(source));
    }
};

int Connected(void* arg, char*, char*, int, int)
{
    static_cast<TTransfer*>(arg)->connected = true;
    return CURL_PREREQFUNC_OK;
}

std::string ServerUrl(const std::string& host, int port)
{
    const bool ipv6 = host.find(':') != std::string::npos && host.front() != '[';
    return std::string(port == 465 ? "smtps://" : "smtp://") + (ipv6 ? "[" + host + "]" : host) + ":" +
           std::to_string(port);
}

} // namespace

// ---- addresses and header texts ----------------------------------------------------------

TMailAddress ParseMailAddress(std::string_view item)
{
    const std::string text = TrimText(item);
    const size_t open = text.rfind('<');
    const size_t close = text.rfind('>');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return {{}, text};
    }
    std::string name = TrimText(std::string_view(text).substr(0, open));
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
        name = name.substr(1, name.size() - 2);
    }
    return {name, TrimText(std::string_view(text).substr(open + 1, close - open - 1))};
}

std::vector<TMailAddress> ParseMailAddressList(std::string_view commaText)
{
    std::vector<TMailAddress> list;
    for (const std::string& item : SplitCommaText(commaText)) {
        TMailAddress address = ParseMailAddress(item);
        if (!address.Address.empty()) {
            list.push_back(std::move(address));
        }
    }
    return list;
}

bool ValidMailAddress(const std::string& address)
{
    if (address.empty()) {
        return false;
    }
    for (const unsigned char c : address) {
        if (c <= ' ' || c == 0x7F || c == '<' || c == '>') {
            return false;
        }
    }
    return true;
}

std::string EncodeHeaderText(std::string_view text)
{
    std::string flat = WithoutLineBreaks(text);
    if (IsAscii(flat)) {
        return flat;
    }
    // Encoded words of at most 45 bytes each (60 in base64), cut between code points.
    std::string out;
    size_t pos = 0;
    while (pos < flat.size()) {
        size_t end = pos;
        while (end < flat.size()) {
            size_t next = end;
            Platform::NextCodePoint(flat, next);
            if (next - pos > 45 && end > pos) {
                break;
            }
            end = next;
        }
        if (!out.empty()) {
            out += ' ';
        }
        out += "=?utf-8?B?" + Base64(std::string_view(flat).substr(pos, end - pos)) + "?=";
        pos = end;
    }
    return out;
}

std::string MailAddressHeader(const TMailAddress& address)
{
    const std::string name = WithoutLineBreaks(address.Name);
    if (name.empty()) {
        return address.Address;
    }
    const std::string shown = !IsAscii(name) ? EncodeHeaderText(name) : NeedsQuotes(name) ? QuotedName(name) : name;
    return shown + " <" + address.Address + ">";
}

const char* TextTransferEncoding(std::string_view text)
{
    size_t lineLength = 0;
    for (const unsigned char c : text) {
        if (c >= 0x80 || c == 0) {
            return "quoted-printable";
        }
        if (c == '\n') {
            lineLength = 0;
        } else if (c != '\r' && ++lineLength > 998) {
            return "quoted-printable";
        }
    }
    return "7bit";
}

std::string MailDateText(long long unixSeconds, int offsetMinutes)
{
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const TDateTime local = UnixToDateTime(unixSeconds + offsetMinutes * 60LL);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    DecodeDateTime(local, year, month, day, hour, minute, second, ms);
    const int offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02d%02d", days[DayOfWeek(local) - 1], day,
                  months[month - 1], year, hour, minute, second, offsetMinutes < 0 ? '-' : '+', offset / 60,
                  offset % 60);
    return text;
}

// ---- the mailer ----------------------------------------------------------------------------

TMailer::TMailer() = default;
TMailer::~TMailer() = default;

void TMailer::SetRecipientsText(const std::string& commaText)
{
    Recipients = ParseMailAddressList(commaText);
}

std::string TMailer::RecipientsText() const
{
    return JoinAddresses(Recipients, ",", false);
}

void TMailer::ClearHeaders()
{
    headers.clear();
}

void TMailer::SetHeader(const std::string& name, const std::string& value)
{
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        if (SameTextIgnoringCase(it->first, name)) {
            if (value.empty()) {
                headers.erase(it);
            } else {
                it->second = value;
            }
            return;
        }
    }
    if (!value.empty()) {
        headers.emplace_back(name, value);
    }
}

bool TMailer::Fail(const std::string& error)
{
    LastError = error;
    if (OnSendError) {
        OnSendError(*this, error + "<" + RecipientsText() + ">");
    }
    return false;
}

namespace {

// What keeps the message from going out before any server is asked; empty when nothing does.
std::string MessageFault(const TMailer& mailer)
{
    if (mailer.Host.empty()) {
        return "No mail server given";
    }
    if (!ValidMailAddress(mailer.From.Address)) {
        return "Invalid sender address \"" + mailer.From.Address + "\"";
    }
    if (mailer.Recipients.empty() && mailer.BCCList.empty()) {
        return "No recipient given";
    }
    for (const auto* list : {&mailer.Recipients, &mailer.BCCList}) {
        for (const TMailAddress& address : *list) {
            if (!ValidMailAddress(address.Address)) {
                return "Invalid recipient address \"" + address.Address + "\"";
            }
        }
    }
    return {};
}

void AddBody(TTransfer& transfer, const TMailer& mailer)
{
    const std::string plain = JoinLines(mailer.Body);
    if (mailer.HTML && !mailer.Body.empty()) {
        transfer.AddAlternatives(plain, JoinLines(mailer.HTMLBody));
    } else if (mailer.HTML) {
        transfer.AddTextPart(transfer.mime, JoinLines(mailer.HTMLBody), "text/html; charset=utf-8");
    } else {
        transfer.AddTextPart(transfer.mime, plain, "text/plain; charset=utf-8");
    }
}

// Empty when every file could be opened, else the error for the first that could not.
std::string AddAttachments(TTransfer& transfer, const TAttachement& attachments)
{
    for (const std::string& line : attachments.AttachedFiles) {
        const std::string path = line.substr(0, line.find('|'));
        auto source = std::make_unique<TAttachmentSource>();
        source->File = Platform::OpenRead(path);
        source->Size = source->File ? source->File->Size() : -1;
        if (source->Size < 0) {
            return "Cannot read the attachment \"" + path + "\"";
        }
        source->Name = ExtractFileName(path);
        source->Type = AttachmentType(line);
        transfer.AddAttachment(std::move(source));
    }
    return {};
}

void AddHeaders(TTransfer& transfer, const TMailer& mailer)
{
    transfer.AddHeader("Date: " + LocalDateHeader());
    transfer.AddHeader("From: " + MailAddressHeader(mailer.From));
    if (!mailer.Recipients.empty()) {
        transfer.AddHeader("To: " + JoinAddresses(mailer.Recipients, ", ", true));
    }
    transfer.AddHeader("Subject: " + EncodeHeaderText(mailer.Subject));
    transfer.AddHeader("Message-ID: " + MessageId(mailer.From.Address));
    for (const auto& [name, value] : mailer.Headers()) {
        transfer.AddHeader(WithoutLineBreaks(name) + ": " + EncodeHeaderText(value));
    }
}

// The envelope takes the blind copies too; only the headers leave them out.
void AddEnvelopeRecipients(TTransfer& transfer, const TMailer& mailer)
{
    for (const auto* list : {&mailer.Recipients, &mailer.BCCList}) {
        for (const TMailAddress& address : *list) {
            transfer.AddRecipient(address.Address);
        }
    }
}

void SetTransferOptions(TTransfer& transfer, const TMailer& mailer)
{
    CURL* curl = transfer.handle;
    curl_easy_setopt(curl, CURLOPT_URL, ServerUrl(mailer.Host, mailer.Port).c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    if (!mailer.UserId.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, mailer.UserId.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, mailer.Password.c_str());
    }
    // curl keeps its own copy of every text option.
    const std::string envelopeFrom = "<" + mailer.From.Address + ">";
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, envelopeFrom.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, transfer.recipientList);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, transfer.headerList);
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, transfer.mime);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, transfer.errorText);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, mailer.ConnectTimeout);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, mailer.ResponseTimeout);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, mailer.ResponseTimeout);
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, Connected);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, &transfer);
}

// The transfer runs beside the caller so the windows stay alive while the server takes
// its time; OnConnected and OnDisconnected are told on the caller's thread.
CURLcode PerformBesideCaller(TTransfer& transfer, TMailer& mailer)
{
    CURL* curl = transfer.handle;
    std::packaged_task<CURLcode()> task([curl] { return curl_easy_perform(curl); });
    std::future<CURLcode> done = task.get_future();
    std::thread worker(std::move(task));
    bool announced = false;
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        if (!announced && transfer.connected && mailer.OnConnected) {
            mailer.OnConnected(mailer);
            announced = true;
        }
        ProcessMessages();
    }
    worker.join();
    const CURLcode result = done.get();
    if (transfer.connected) {
        if (!announced && mailer.OnConnected) {
            mailer.OnConnected(mailer);
        }
        if (mailer.OnDisconnected) {
            mailer.OnDisconnected(mailer);
        }
    }
    return result;
}

} // namespace

bool TMailer::Send()
{
    LastError.clear();
    if (const std::string fault = MessageFault(*this); !fault.empty()) {
        return Fail(fault);
    }

    InitCurlOnce();
    TTransfer transfer;
    if (!transfer.handle) {
        return Fail("The mail library could not start");
    }
    transfer.mime = curl_mime_init(transfer.handle);
    AddBody(transfer, *this);
    if (const std::string fault = AddAttachments(transfer, Attachments); !fault.empty()) {
        return Fail(fault);
    }
    AddHeaders(transfer, *this);
    AddEnvelopeRecipients(transfer, *this);
    SetTransferOptions(transfer, *this);

    const CURLcode result = PerformBesideCaller(transfer, *this);
    if (result != CURLE_OK) {
        return Fail(transfer.errorText[0] ? transfer.errorText : curl_easy_strerror(result));
    }
    return true;
}
