#include "net/SplitUrl.h"

THostAndPath SplitUrl(const QByteArray& url) {
    QByteArray rest = url;
    if (url.toLower().contains("http://"))
        rest.remove(0, 7);
    const qsizetype slash = rest.indexOf('/');
    if (slash < 0)
        return {QByteArray(), rest};
    return {rest.left(slash), rest.mid(slash)};
}
