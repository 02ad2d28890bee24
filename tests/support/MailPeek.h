#pragma once

// Reads a message the test SMTP server stored, with Python's email module: a summary
// of its headers and parts, and the decoded attachments saved into a folder.

#include "RunPython.h"

#include <string>

// Lines "Name: value" for the headers asked for (decoded), then per leaf part
// "PART type charset transfer-encoding filename", and "TEXT <repr>" for inline texts.
inline std::string PeekMail(const std::string& emlPath)
{
    return RunPython(R"(
import sys, email
from email import policy
m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=policy.default)
for h in ('From', 'To', 'Cc', 'Bcc', 'Subject', 'Sender', 'Reply-To', 'User-Agent', 'X-Run'):
    if m[h] is not None:
        print('%s: %s' % (h, m[h]))
print('DATE-OK' if m['Date'] is not None and m['Date'].datetime is not None else 'DATE-BAD')
print('ID-OK' if m['Message-ID'] else 'ID-MISSING')
for part in m.walk():
    if part.is_multipart():
        print('MULTI', part.get_content_type())
        continue
    print('PART', part.get_content_type(), part.get_content_charset(), part.get('Content-Transfer-Encoding'),
          part.get_filename())
    if part.get_filename() is None:
        print('TEXT', repr(part.get_content()))
)",
                     emlPath);
}

// Writes each attachment's decoded bytes to folder/<its file name>; prints the names.
inline std::string SaveAttachments(const std::string& emlPath, const std::string& hostFolder)
{
    return RunPython(R"(
import sys, email, os
from email import policy
m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=policy.default)
for part in m.walk():
    name = part.get_filename()
    if name:
        open(os.path.join(')" +
                         hostFolder + R"(', name), 'wb').write(part.get_payload(decode=True))
        print(name)
)",
                     emlPath);
}
