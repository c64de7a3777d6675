#pragma once

#include <QByteArray>
#include <QUrl>

// The invitation mail that "Tell a friend" prepares: the user's own mail program opens it, addressed
// to a placeholder that the user replaces. Nothing is sent by the program.
inline constexpr char TellAFriendRecipient[] = "friend@example.com";

// "mailto:" + recipient + "?subject=" + subject + "&body=" + body, the texts inserted as they stand.
QByteArray TellAFriendLink(const QByteArray& subject, const QByteArray& body);

// The link as the desktop's opener takes it: a URI may not hold blanks, line breaks or bytes outside
// ASCII, so those (and "%") are percent-encoded here, and only here, from the text in UTF-8;
// everything else is left as it is.
QUrl TellAFriendUri(const QByteArray& link);
