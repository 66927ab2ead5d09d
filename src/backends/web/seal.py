"""Finishes the page: puts the SHA-256 of its one inline script and its one style sheet into the
Content-Security-Policy, so that the browser runs those and nothing else (no other inline code, no
event-handler attributes, no injected script), and writes the sealed page.

Usage: seal.py UNSEALED.html SEALED.html"""

import base64
import hashlib
import re
import sys

source, target = sys.argv[1:]
with open(source, encoding="utf-8") as unsealed:
    page = unsealed.read()


def digest(kind):
    bodies = re.findall(r"<%s>(.*?)</%s>" % (kind, kind), page, re.S)
    if len(bodies) != 1:
        sys.exit("seal.py: %s holds %d <%s> elements instead of one" % (source, len(bodies), kind))
    return "'sha256-%s'" % base64.b64encode(hashlib.sha256(bodies[0].encode("utf-8")).digest()).decode()


for kind in ("script", "style"):
    placeholder = "'%s-hash'" % kind
    if placeholder not in page:
        sys.exit("seal.py: %s has no %s in its policy" % (source, placeholder))
    page = page.replace(placeholder, digest(kind), 1)
with open(target, "w", encoding="utf-8") as sealed:
    sealed.write(page)
