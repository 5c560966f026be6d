#pragma once

class QUrl;

// An http or https address: one that a server answers, with an origin, a referrer and cookies.
bool isWebAddress(const QUrl& url);
