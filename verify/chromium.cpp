#include "verify/chromium.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cmath>
#include <cstring>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

extern char** environ;

namespace sw::verify {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartTimeout = std::chrono::seconds(30);
constexpr auto kPageTimeout = std::chrono::seconds(40);
constexpr int kWidth = 1024;
// Taller shots cost more than they find; the rest of a page is still
// compared through its text and size.
constexpr int kMaxShotHeight = 16384;

bool ContainsNoCase(const std::string& text, const char* word) {
  const size_t n = std::strlen(word);
  for (size_t i = 0; i + n <= text.size(); ++i) {
    size_t k = 0;
    while (k < n && std::tolower(static_cast<unsigned char>(text[i + k])) == word[k]) ++k;
    if (k == n) return true;
  }
  return false;
}

bool Executable(const std::string& p) {
  struct stat st {};
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

// Scripts see one fixed moment (1 January 2000, 12:00 UTC), so a page that
// prints today's date renders the same twice; likewise one window size and
// one history length.
const char* kClockScript = R"JS(
(() => {
  const T = 946728000000, D = Date;
  function FixedDate(...a) {
    if (!new.target) return new D(T).toString();
    return a.length ? new D(...a) : new D(T);
  }
  FixedDate.prototype = D.prototype;
  FixedDate.now = () => T;
  FixedDate.parse = D.parse;
  FixedDate.UTC = D.UTC;
  Object.defineProperty(FixedDate, 'name', {value: 'Date'});
  Object.defineProperty(D.prototype, 'constructor', {value: FixedDate});
  window.Date = FixedDate;
  // A headless window's outer size is 0 or the window's, depending on when
  // it is read; pages that print it see the viewport's instead.
  for (const [outer, inner] of [['outerWidth', 'innerWidth'], ['outerHeight', 'innerHeight']])
    Object.defineProperty(window, outer, {configurable: true, get: () => window[inner]});
  // A tab's history grows with every page it showed.
  Object.defineProperty(History.prototype, 'length', {configurable: true, get: () => 1});
})();
)JS";

// Reads what is compared besides the pixels, then hides the caret and stops
// transitions for the screenshot.
const char* kReadScript = R"JS(
(async () => {
  try { await document.fonts.ready; } catch (e) {}
  const texts = [];
  const walk = (w, depth) => {
    let d = null;
    try { d = w.document; } catch (e) {}
    if (!d) { texts.push('[frame not readable]'); return; }
    texts.push(d.body ? d.body.innerText : (d.documentElement ? d.documentElement.textContent : ''));
    if (depth < 8) for (let i = 0; i < w.frames.length; ++i) walk(w.frames[i], depth + 1);
  };
  walk(window, 0);
  const e = document.documentElement, b = document.body;
  const r = {title: document.title, charset: document.characterSet, text: texts.join('\n\f\n'),
    width: Math.max(e ? e.scrollWidth : 0, b ? b.scrollWidth : 0),
    height: Math.max(e ? e.scrollHeight : 0, b ? b.scrollHeight : 0)};
  if (e) {
    const s = document.createElement('style');
    s.textContent = '*,*::before,*::after{caret-color:transparent!important;transition:none!important}';
    (document.head || e).appendChild(s);
  }
  return JSON.stringify(r);
})()
)JS";

// The document key: the parsed document written out with every node,
// attribute and text, and digested. Two pages with equal keys, rendering
// mode included, look the same, so their screenshots can be spared. Only
// what cannot change how the page looks is written in one form: comments,
// blanks that make no box, runs of blanks, spellings of a colour or a style
// sheet, phrase elements a browser shows alike, the doctype beyond its mode,
// and META tags no browser reads. A page with scripts, event handlers or
// embedded documents could read any of these, so it is written exactly as
// parsed; so are attribute spellings and those element names when a style
// sheet selects by them. Runs in a world of its own, so the page's scripts
// cannot change the functions it uses.
const char* kKeyScript = R"JS(
(async () => {
  const d = document, XHTML = 'http://www.w3.org/1999/xhtml';
  let exact = false;
  scan: for (const e of d.getElementsByTagName('*')) {
    if (['script', 'iframe', 'frame', 'object', 'embed', 'applet'].includes(e.localName)) { exact = true; break; }
    for (const a of e.attributes)
      if (a.name.toLowerCase().startsWith('on')) { exact = true; break scan; }
  }
  // Phrase elements a browser shows alike, by the name that stands for them.
  const alike = {strong: 'b', em: 'i', cite: 'i', dfn: 'i', code: 'tt', kbd: 'tt', samp: 'tt'};
  const alikeNames = /(^|[^-\w.#:\\])(b|strong|i|em|cite|dfn|tt|code|kbd|samp)(?![-\w])/i;
  // What the page's style sheets select by: attribute spellings, whether an
  // element holds nothing at all, and those element names.
  let byAttribute = false, byEmptiness = false, byName = false;
  const scanRules = rules => {
    for (const r of rules) {
      if (r.selectorText !== undefined) {
        byAttribute ||= r.selectorText.includes('[');
        byEmptiness ||= /:empty|:blank/i.test(r.selectorText);
        byName ||= alikeNames.test(r.selectorText);
      }
      let inner = null;
      try { inner = r.styleSheet ? r.styleSheet.cssRules : r.cssRules; } catch (e) { byAttribute = byEmptiness = byName = true; }
      if (inner) scanRules(inner);
    }
  };
  for (const sheet of d.styleSheets) {
    try { scanRules(sheet.cssRules); } catch (e) { byAttribute = byEmptiness = byName = true; }
  }
  const loose = !exact && !byAttribute, renamed = !exact && !byName;
  const out = [];
  const put = s => out.push(s.length + ':' + s);
  const dt = d.doctype;
  put(d.contentType); put(d.characterSet); put(exact ? 'exact' : loose ? 'loose' : 'kept'); put(renamed ? 'renamed' : '');
  // Without scripts a doctype matters only through the rendering mode it
  // sets; limited quirks is known by its public identifiers.
  const pub = dt ? dt.publicId.toLowerCase() : '';
  if (exact) put(dt ? dt.name + '\n' + dt.publicId + '\n' + dt.systemId : '');
  put(d.compatMode === 'BackCompat' ? 'quirks' :
      d.contentType === 'text/html' && ['-//w3c//dtd xhtml 1.0 frameset//', '-//w3c//dtd xhtml 1.0 transitional//',
        '-//w3c//dtd html 4.01 frameset//', '-//w3c//dtd html 4.01 transitional//'].some(p => pub.startsWith(p)) ?
      'limited quirks' : 'no quirks');

  const collapsing = new Map();
  // Blank runs collapse where white-space says so; elsewhere every blank counts.
  const collapses = e => {
    if (exact || !e || e.namespaceURI !== XHTML || ['script', 'style'].includes(e.localName)) return false;
    let c = collapsing.get(e);
    if (c === undefined) {
      const s = getComputedStyle(e), w = s.getPropertyValue('white-space-collapse');
      c = w ? w === 'collapse' : s.whiteSpace === 'normal' || s.whiteSpace === 'nowrap';
      collapsing.set(e, c);
    }
    return c;
  };
  // A run of blanks, line ends included, shows as one space.
  const blank = /^[ \t\n]*$/;
  // Blanks at the start of a block's first line and the end of its last one
  // are removed, unless generated content or an inside marker stands there.
  const blocks = ['block', 'list-item', 'table-cell', 'table-caption', 'inline-block', 'flow-root'];
  // Beside a line break or an in-flow block, blanks sit at a line's end or
  // start too.
  const breaks = e => {
    if (e.nodeType !== 1) return false;
    const s = getComputedStyle(e);
    if (e.localName === 'br' && e.namespaceURI === XHTML) return s.display !== 'none';
    return ['block', 'list-item', 'table', 'flex', 'grid', 'flow-root'].includes(s.display) &&
           s.float === 'none' && s.position !== 'absolute' && s.position !== 'fixed';
  };
  const lineEdge = (p, start) => {
    const s = getComputedStyle(p);
    if (!blocks.includes(s.display)) return false;
    if (start && s.display === 'list-item' && s.listStylePosition !== 'outside') return false;
    const c = getComputedStyle(p, start ? '::before' : '::after').content;
    return c === 'none' || c === 'normal';
  };
  const boxless = (first, last) => {
    const r = d.createRange();
    r.setStartBefore(first);
    r.setEndAfter(last);
    return r.getClientRects().length === 0;
  };

  const colours = [];
  const colourNames = ['bgcolor', 'color', 'text', 'link', 'vlink', 'alink', 'bordercolor'];
  // META tags that say something about the page but change nothing in it;
  // the character set they may name is compared anyway.
  const unreadNames = ['keywords', 'description', 'author', 'generator', 'copyright', 'robots', 'date', 'created',
                       'progid', 'originator', 'revisit-after', 'rating', 'distribution', 'classification'];
  const unreadPragmas = ['content-type', 'expires', 'pragma', 'cache-control'];
  const unread = m => {
    const n = m.getAttributeNames().filter(a => a !== 'content').sort().join(' ');
    if (n === 'charset') return true;
    if (n === 'http-equiv') return unreadPragmas.includes(m.getAttribute('http-equiv').toLowerCase());
    return n === 'name' && unreadNames.includes(m.getAttribute('name').toLowerCase());
  };
  const headShown = () => d.head && getComputedStyle(d.head).display !== 'none';
  const hiddenHead = !exact && !headShown();
  const sheetText = sheet => {
    try { return Array.from(sheet.cssRules, r => r.cssText).join('\n'); } catch (e) { return null; }
  };

  const children = p => {
    let text = null, first = null, last = null, other = null, prev = null;
    // Blanks that make no box, or stand at a line's start or end, can go,
    // unless they are all that keeps the parent from matching :empty.
    const droppable = next => {
      if (other === null && !byEmptiness) other = true;
      if (other === null) {
        other = false;
        for (let c = p.firstChild; c && !other; c = c.nextSibling)
          other = c.nodeType === 1 || ((c.nodeType === 3 || c.nodeType === 4) && !blank.test(c.data));
      }
      return other && ((prev ? breaks(prev) : lineEdge(p, true)) || (next ? breaks(next) : lineEdge(p, false)) ||
                       boxless(first, last));
    };
    const flush = next => {
      if (text === null) return;
      if (p.localName === 'title' && !exact) {
        // Shown only as the title, which drops blanks at its ends.
        put('#' + text.replace(/^[ \t\n]+|[ \t\n]+$/g, '').replace(/[ \t\n]+/g, ' '));
      } else if (!collapses(p)) {
        put('#' + text);
      } else if (blank.test(text)) {
        if (!droppable(next)) put('#' + text.replace(/[ \t\n]+/g, ' '));
      } else {
        if (/^[ \t\n]/.test(text) && (prev ? breaks(prev) : lineEdge(p, true))) text = text.replace(/^[ \t\n]+/, '');
        if (/[ \t\n]$/.test(text) && (next ? breaks(next) : lineEdge(p, false))) text = text.replace(/[ \t\n]+$/, '');
        put('#' + text.replace(/[ \t\n]+/g, ' '));
      }
      text = null;
    };
    for (let c = p.firstChild; c; c = c.nextSibling) {
      const t = c.nodeType;
      if (t === 3 || t === 4) {
        if (text === null) { text = c.data; first = c; } else text += c.data;
        last = c;
        continue;
      }
      if ((t === 8 || t === 10) && !exact) continue;
      if (t === 1 && hiddenHead && p === d.head && c.localName === 'meta' && unread(c)) continue;
      flush(c);
      prev = c;
      if (t === 1) element(c);
      else if (t === 8) put('!' + c.data);
      else if (t === 7) put('?' + c.target + ' ' + c.data);
      else put('~' + t);
    }
    flush(null);
  };
  const element = e => {
    const html = e.namespaceURI === XHTML;
    put('<' + (html ? '' : e.namespaceURI + ' ') + (html && renamed && alike[e.localName] || e.localName));
    for (const a of e.attributes) {
      let v = a.value;
      if (loose && html && !a.namespaceURI) {
        if (colourNames.includes(a.name)) {
          colours.push([out.length, a.name, v]);
          out.push(null);
          continue;
        }
        else if (a.name === 'style') v = e.style.cssText;
        else if (e.localName === 'img' && ['border', 'hspace', 'vspace'].includes(a.name)) continue;
      }
      put((a.namespaceURI ? a.namespaceURI + ' ' : '') + a.name + '=' + v);
    }
    // An image's border and spacing attributes, by what they come to.
    if (loose && html && e.localName === 'img') {
      const s = getComputedStyle(e);
      let box = '';
      for (const side of ['top', 'right', 'bottom', 'left']) {
        const w = s.getPropertyValue(`border-${side}-width`);
        box += (w === '0px' ? '0' : w + ' ' + s.getPropertyValue(`border-${side}-style`) + ' ' +
                s.getPropertyValue(`border-${side}-color`)) + ' ' + s.getPropertyValue(`margin-${side}`) + ';';
      }
      put('@' + box);
    }
    if (e.shadowRoot) { put('#shadow'); children(e.shadowRoot); }
    if (e.localName === 'template' && e.content) { put('#content'); children(e.content); }
    put('>');
    const sheet = !exact && html && e.localName === 'style' && e.sheet ? sheetText(e.sheet) : null;
    if (sheet !== null) put('#sheet ' + sheet);
    else children(e);
    put('/');
  };
  children(d);
  // Colours as the browser reads them, from a FONT in a shadow root of its
  // own, out of reach of the page's style sheets; one it cannot read keeps
  // its spelling. The probe joins the page only after everything else was
  // read, so no selector saw it.
  if (colours.length) {
    const host = d.createElement('span'), probe = d.createElement('font'), fail = 'rgba(1, 2, 3, 0.5)';
    host.attachShadow({mode: 'open'}).appendChild(probe);
    host.style.cssText = `display: none !important; color: ${fail} !important`;
    d.documentElement.appendChild(host);
    try {
      for (const [at, name, v] of colours) {
        probe.setAttribute('color', v);
        const c = getComputedStyle(probe).color;
        const s = name + '=' + (c === fail ? '=' + v : c);
        out[at] = s.length + ':' + s;
      }
    } finally {
      host.remove();
    }
  }
  const digest = await crypto.subtle.digest('SHA-256', new TextEncoder().encode(out.join('')));
  return Array.from(new Uint8Array(digest), b => b.toString(16).padStart(2, '0')).join('');
})()
)JS";

}  // namespace

std::string FindBrowser() {
  if (const char* env = std::getenv("SLIMWRIGHT_BROWSER")) {
    std::string p = env;
    return Executable(p) ? p : std::string();
  }
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  // The headless shell is the same engine without the desktop browser
  // around it, and costs about a quarter less time per page.
  for (const char* name : {"chromium-headless-shell", "chromium", "chromium-browser"}) {
    size_t start = 0;
    while (start <= dirs.size()) {
      size_t end = dirs.find(':', start);
      if (end == std::string::npos) end = dirs.size();
      std::string dir = dirs.substr(start, end - start);
      if (!dir.empty() && Executable(dir + "/" + name)) return dir + "/" + name;
      start = end + 1;
    }
  }
  return {};
}

// The pipe to the browser: messages are JSON texts ended by a NUL byte.
// Answers and events of a tab go to that tab's queue, in the order they
// came; answers to browser-wide commands are kept by id.
class ChromiumVerifier::Connection {
 public:
  ~Connection() { Stop(); }

  bool Launch(const std::string& browser, std::string* error) {
    if (!profileDir_.isValid()) {
      *error = "no temporary folder for the browser profile";
      return false;
    }
    int toChrome[2], fromChrome[2];
    if (::pipe2(toChrome, O_CLOEXEC) != 0) {
      *error = "no pipe";
      return false;
    }
    if (::pipe2(fromChrome, O_CLOEXEC) != 0) {
      ::close(toChrome[0]);
      ::close(toChrome[1]);
      *error = "no pipe";
      return false;
    }
    // Above 4, so that placing them on 3 and 4 in the child never collides.
    auto high = [](int fd) {
      int h = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
      ::close(fd);
      return h;
    };
    for (int* fd : {&toChrome[0], &toChrome[1], &fromChrome[0], &fromChrome[1]}) *fd = high(*fd);

    std::vector<std::string> args = {browser,
                                      "--headless",
                                      "--disable-gpu",
                                      "--hide-scrollbars",
                                      "--mute-audio",
                                      "--no-first-run",
                                      "--no-default-browser-check",
                                      "--disable-extensions",
                                      "--disable-background-networking",
                                      "--disable-component-update",
                                      "--disable-sync",
                                      "--disable-default-apps",
                                      "--force-color-profile=srgb",
                                      "--allow-file-access-from-files",
                                      "--blink-settings=imageAnimationPolicy=2",
                                      "--host-resolver-rules=MAP * ~NOTFOUND",
                                      "--user-data-dir=" + profileDir_.path().toStdString(),
                                      "--remote-debugging-pipe"};
    if (::geteuid() == 0) args.push_back("--no-sandbox");
    // Containers often have a tiny /dev/shm; elsewhere it is the cheaper
    // place for the screenshots' shared memory.
    struct statvfs shm {};
    if (::statvfs("/dev/shm", &shm) != 0 || uint64_t(shm.f_bavail) * shm.f_frsize < (uint64_t(1) << 30))
      args.push_back("--disable-dev-shm-usage");
    args.push_back("about:blank");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, toChrome[0], 3);
    posix_spawn_file_actions_adddup2(&fa, fromChrome[1], 4);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own process group, so a terminal's Ctrl+C reaches us first and we
    // close the browser ourselves.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    int rc = ::posix_spawn(&pid_, browser.c_str(), &fa, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    ::close(toChrome[0]);
    ::close(fromChrome[1]);
    writeFd_ = toChrome[1];
    readFd_ = fromChrome[0];
    if (rc != 0) {
      pid_ = -1;
      *error = "the browser " + browser + " could not be started";
      return false;
    }
    // A browser that dies must not take us with it on the next write.
    ::signal(SIGPIPE, SIG_IGN);
    reader_ = std::thread([this] { ReadLoop(); });
    auto v = CallBrowser("Browser.getVersion", {}, kStartTimeout);
    if (!v || v->contains("error")) {
      *error = "the browser " + browser + " did not answer on its DevTools pipe";
      return false;
    }
    return true;
  }

  void Stop() {
    if (pid_ > 0) {
      Send("Browser.close", {}, {});
      auto until = Clock::now() + std::chrono::seconds(5);
      int status = 0;
      while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (Clock::now() > until) {
          ::kill(-pid_, SIGKILL);
          ::kill(pid_, SIGKILL);
          ::waitpid(pid_, &status, 0);
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      pid_ = -1;
    }
    stopping_ = true;
    if (reader_.joinable()) reader_.join();
    if (writeFd_ >= 0) ::close(writeFd_);
    if (readFd_ >= 0) ::close(readFd_);
    writeFd_ = readFd_ = -1;
  }

  bool Dead() const { return dead_; }

  int Send(const QString& method, const QJsonObject& params, const QString& session, int id = 0) {
    if (id == 0) id = ++nextId_;
    QJsonObject m{{"id", id}, {"method", method}, {"params", params}};
    if (!session.isEmpty()) m["sessionId"] = session;
    QByteArray bytes = QJsonDocument(m).toJson(QJsonDocument::Compact);
    bytes.append('\0');
    std::lock_guard<std::mutex> lock(writeMutex_);
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0 && writeFd_ >= 0) {
      ssize_t n = ::write(writeFd_, p, size_t(left));
      if (n < 0) {
        if (errno == EINTR) continue;
        MarkDead();
        break;
      }
      p += n;
      left -= n;
    }
    return id;
  }

  std::optional<QJsonObject> CallBrowser(const QString& method, const QJsonObject& params,
                                         Clock::duration timeout) {
    // The id is awaited before the answer can arrive.
    int id = ++nextId_;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      awaited_.insert(id);
    }
    Send(method, params, {}, id);
    std::unique_lock<std::mutex> lock(mutex_);
    bool got = cv_.wait_for(lock, timeout, [&] { return dead_ || answers_.count(id) > 0; });
    awaited_.erase(id);
    if (!got || !answers_.count(id)) return std::nullopt;
    QJsonObject r = answers_[id];
    answers_.erase(id);
    return r;
  }

  // The next message of a tab, or nothing at the deadline or when the
  // browser is gone.
  std::optional<QJsonObject> Next(const QString& session, Clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto& q = queues_[session];
    if (!cv_.wait_until(lock, deadline, [&] { return dead_ || !q.empty(); })) return std::nullopt;
    if (q.empty()) return std::nullopt;
    QJsonObject m = std::move(q.front());
    q.pop_front();
    return m;
  }

  void Forget(const QString& session) {
    std::lock_guard<std::mutex> lock(mutex_);
    queues_.erase(session);
  }

 private:
  void MarkDead() {
    std::lock_guard<std::mutex> lock(mutex_);
    dead_ = true;
    cv_.notify_all();
  }

  void ReadLoop() {
    QByteArray buffer;
    char chunk[1 << 16];
    while (!stopping_) {
      pollfd pfd{readFd_, POLLIN, 0};
      int pr = ::poll(&pfd, 1, 200);
      if (pr < 0 && errno == EINTR) continue;
      if (pr <= 0) continue;
      ssize_t n = ::read(readFd_, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      buffer.append(chunk, n);
      qsizetype start = 0, end;
      while ((end = buffer.indexOf('\0', start)) >= 0) {
        Route(QJsonDocument::fromJson(buffer.mid(start, end - start)).object());
        start = end + 1;
      }
      buffer.remove(0, start);
    }
    MarkDead();
  }

  void Route(QJsonObject m) {
    std::lock_guard<std::mutex> lock(mutex_);
    const QString session = m.value("sessionId").toString();
    if (!session.isEmpty()) {
      queues_[session].push_back(std::move(m));
    } else if (m.contains("id")) {
      int id = m.value("id").toInt();
      if (awaited_.count(id)) answers_[id] = std::move(m);
    }
    cv_.notify_all();
  }

  QTemporaryDir profileDir_;
  pid_t pid_ = -1;
  int writeFd_ = -1, readFd_ = -1;
  std::thread reader_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> nextId_{0};
  std::mutex writeMutex_, mutex_;
  std::condition_variable cv_;
  bool dead_ = false;
  std::set<int> awaited_;
  std::map<int, QJsonObject> answers_;
  std::map<QString, std::deque<QJsonObject>> queues_;
};

namespace {

QString ContentType(const std::string& path) {
  QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
  if (suffix == "xhtml" || suffix == "xht") return "application/xhtml+xml";
  return "text/html";
}

// What a file:// load gives document.lastModified: the file's own time.
QString LastModified(const std::string& path) {
  QDateTime t = QFileInfo(QString::fromStdString(path)).lastModified().toUTC();
  if (!t.isValid()) t = QDateTime(QDate(2000, 1, 1), QTime(12, 0), Qt::UTC);
  return QLocale::c().toString(t.toUTC(), "ddd, dd MMM yyyy HH:mm:ss") + " GMT";
}

}  // namespace

// A prepared tab; kept for the next page when it ended cleanly, since a new
// tab costs a renderer process.
class ChromiumVerifier::Tab {
 public:
  explicit Tab(Connection& c) : c_(c) {}
  ~Tab() {
    if (!target_.isEmpty())
      c_.CallBrowser("Target.closeTarget", {{"targetId", target_}}, std::chrono::seconds(5));
    if (!session_.isEmpty()) c_.Forget(session_);
  }

  bool Open(Clock::time_point deadline) {
    deadline_ = deadline;
    auto t = c_.CallBrowser("Target.createTarget", {{"url", "about:blank"}}, deadline_ - Clock::now());
    if (!t || t->contains("error")) return false;
    target_ = t->value("result").toObject().value("targetId").toString();
    auto a = c_.CallBrowser("Target.attachToTarget", {{"targetId", target_}, {"flatten", true}},
                            deadline_ - Clock::now());
    if (!a || a->contains("error")) return false;
    session_ = a->value("result").toObject().value("sessionId").toString();
    QJsonObject metrics{{"width", kWidth}, {"height", 768}, {"deviceScaleFactor", 1}, {"mobile", false}};
    QJsonArray patterns{QJsonObject{{"urlPattern", "*"}}};
    return Call("Page.enable") && Call("Page.setLifecycleEventsEnabled", {{"enabled", true}}) &&
           Call("Emulation.setDeviceMetricsOverride", metrics) && Call("Animation.enable") &&
           Call("Animation.setPlaybackRate", {{"playbackRate", 0}}) &&
           Call("Page.addScriptToEvaluateOnNewDocument", {{"source", kClockScript}}) &&
           Call("Fetch.enable", {{"patterns", patterns}});
  }

  // Serves `bytes` as the document at the address of `path` until the page
  // has loaded.
  bool Load(const std::string& path, const std::string& bytes, Clock::time_point deadline,
            std::string* error) {
    deadline_ = deadline;
    url_ = QUrl::fromLocalFile(QFileInfo(QString::fromStdString(path)).absoluteFilePath())
               .toString(QUrl::FullyEncoded);
    path_ = path;
    bytes_ = &bytes;
    served_ = false;
    loader_.clear();
    loaded_ = false;
    auto nav = Call("Page.navigate", {{"url", url_}});
    if (!nav || nav->contains("errorText")) {
      *error = "the page could not be opened";
      return false;
    }
    loader_ = nav->value("loaderId").toString();
    while (!loaded_) {
      auto m = c_.Next(session_, deadline_);
      if (!m) {
        *error = "the page did not finish loading in time";
        return false;
      }
      Handle(*m);
    }
    return true;
  }

  // The tab's main frame (its id is the target's).
  const QString& Frame() const { return target_; }
  void Extend(Clock::time_point deadline) { deadline_ = deadline; }

  // Sends a command of this tab and waits for its answer, serving the
  // paused requests that come meanwhile.
  std::optional<QJsonObject> Call(const QString& method, const QJsonObject& params = {}) {
    int id = c_.Send(method, params, session_);
    while (auto m = c_.Next(session_, deadline_)) {
      if (m->contains("id") && m->value("id").toInt() == id) {
        if (m->contains("error")) return std::nullopt;
        return m->value("result").toObject();
      }
      Handle(*m);
    }
    return std::nullopt;
  }

 private:
  void Handle(const QJsonObject& m) {
    const QString method = m.value("method").toString();
    const QJsonObject p = m.value("params").toObject();
    if (method == "Page.frameNavigated") {
      // A page that sends the tab on to another address at once: its load
      // is the one to wait for.
      const QJsonObject frame = p.value("frame").toObject();
      if (!loader_.isEmpty() && frame.value("id").toString() == target_ && !frame.contains("parentId"))
        loader_ = frame.value("loaderId").toString();
      return;
    }
    if (method == "Page.lifecycleEvent") {
      // Only this navigation's load counts: a page that went on to another
      // address, or the previous page of this tab, must not end the wait.
      if (p.value("name").toString() == "load" && !loader_.isEmpty() && p.value("loaderId").toString() == loader_)
        loaded_ = true;
      return;
    }
    if (method == "Page.javascriptDialogOpening") {
      // An alert or confirm would hold the page until someone answers it.
      c_.Send("Page.handleJavaScriptDialog", {{"accept", true}}, session_);
      return;
    }
    if (method != "Fetch.requestPaused") return;
    const QString id = p.value("requestId").toString();
    const QString url = p.value("request").toObject().value("url").toString();
    // Only the tab's own navigation gets the bytes (a main frame's id is its
    // target's): a frame or a late request of the previous page at the same
    // address must not take them.
    if (!served_ && bytes_ && url == url_ && p.value("resourceType").toString() == "Document" &&
        p.value("frameId").toString() == target_) {
      served_ = true;
      QJsonArray headers{QJsonObject{{"name", "Content-Type"}, {"value", ContentType(path_)}},
                         QJsonObject{{"name", "Last-Modified"}, {"value", LastModified(path_)}}};
      QByteArray body = QByteArray::fromRawData(bytes_->data(), qsizetype(bytes_->size())).toBase64();
      c_.Send("Fetch.fulfillRequest",
              {{"requestId", id}, {"responseCode", 200}, {"responseHeaders", headers},
               {"body", QString::fromLatin1(body)}},
              session_);
    } else if (url.startsWith("file:")) {
      c_.Send("Fetch.continueRequest", {{"requestId", id}}, session_);
    } else {
      c_.Send("Fetch.failRequest", {{"requestId", id}, {"errorReason", "BlockedByClient"}}, session_);
    }
  }

  Connection& c_;
  Clock::time_point deadline_;
  QString target_, session_, url_, loader_;
  std::string path_;
  const std::string* bytes_ = nullptr;
  bool served_ = false, loaded_ = false;
};

ChromiumVerifier::ChromiumVerifier(std::string browser) : browser_(std::move(browser)) {}
ChromiumVerifier::~ChromiumVerifier() {
  idle_.clear();  // tabs close before the browser does
}

bool ChromiumVerifier::Start(std::string* error) {
  if (browser_.empty()) {
    *error = kInstallHint;
    return false;
  }
  // Without an application object (the command line) image plugins would
  // be loaded with nobody to unload them in order at exit; PNG, all we
  // decode, is built in.
  if (!QCoreApplication::instance()) QCoreApplication::setLibraryPaths({});
  conn_ = std::make_unique<Connection>();
  if (!conn_->Launch(browser_, error)) {
    conn_.reset();
    *error += std::string(". ") + kInstallHint;
    return false;
  }
  return true;
}

// A tab taken from the pool for one comparison; it goes back when its
// last page ended cleanly, and is closed otherwise.
class ChromiumVerifier::Lease {
 public:
  explicit Lease(ChromiumVerifier& v) : v_(v) {}
  ~Lease() {
    if (!tab_ || !clean_) return;
    std::lock_guard<std::mutex> lock(v_.poolMutex_);
    v_.idle_.push_back(std::move(tab_));
  }
  Lease(const Lease&) = delete;
  Lease& operator=(const Lease&) = delete;

  Tab* Get(Clock::time_point deadline) {
    if (tab_) return tab_.get();
    {
      std::lock_guard<std::mutex> lock(v_.poolMutex_);
      if (!v_.idle_.empty()) {
        tab_ = std::move(v_.idle_.back());
        v_.idle_.pop_back();
      }
    }
    if (!tab_) {
      tab_ = std::make_unique<Tab>(*v_.conn_);
      if (!tab_->Open(deadline)) {
        tab_.reset();
        return nullptr;
      }
    }
    return tab_.get();
  }
  void Clean(bool clean) { clean_ = clean; }

 private:
  ChromiumVerifier& v_;
  std::unique_ptr<Tab> tab_;
  bool clean_ = false;
};

bool ChromiumVerifier::Read(Lease& lease, const std::string& path, const std::string& bytes, Rendering& r) {
  r = Rendering{};
  lease.Clean(false);
  if (!conn_ || conn_->Dead()) {
    r.error = "the browser is not running";
    return false;
  }
  const auto deadline = Clock::now() + kPageTimeout;
  Tab* tab = lease.Get(deadline);
  if (!tab) {
    r.error = "no browser tab could be opened";
    return false;
  }
  if (!tab->Load(path, bytes, deadline, &r.error)) return false;
  auto read = tab->Call("Runtime.evaluate",
                        {{"expression", kReadScript}, {"awaitPromise", true}, {"returnByValue", true}});
  if (!read || read->contains("exceptionDetails")) {
    r.error = "the page could not be read";
    return false;
  }
  QJsonObject info =
      QJsonDocument::fromJson(read->value("result").toObject().value("value").toString().toUtf8()).object();
  r.title = info.value("title").toString().toStdString();
  r.charset = info.value("charset").toString().toStdString();
  r.text = info.value("text").toString().toStdString();
  r.width = info.value("width").toInt();
  r.height = info.value("height").toInt();
  r.shotSkipped = true;
  r.ok = true;
  lease.Clean(true);
  return true;
}

void ChromiumVerifier::Key(Lease& lease, const std::string& bytes, Rendering& r) {
  // A closed shadow root is out of a script's sight, so such a page has no key.
  if (!r.ok || !r.documentKey.empty() || ContainsNoCase(bytes, "shadowroot")) return;
  Tab* tab = lease.Get(Clock::now() + kPageTimeout);
  if (!tab) return;
  tab->Extend(Clock::now() + kPageTimeout);
  auto world = tab->Call("Page.createIsolatedWorld", {{"frameId", tab->Frame()}, {"worldName", "slimwright"}});
  if (!world) return;
  auto key = tab->Call("Runtime.evaluate", {{"expression", kKeyScript},
                                            {"contextId", world->value("executionContextId")},
                                            {"awaitPromise", true},
                                            {"returnByValue", true}});
  if (key && !key->contains("exceptionDetails"))
    r.documentKey = key->value("result").toObject().value("value").toString().toStdString();
}

bool ChromiumVerifier::Shoot(Lease& lease, Rendering& r) {
  lease.Clean(false);
  Tab* tab = lease.Get(Clock::now() + kPageTimeout);
  if (!tab) {
    r.ok = false;
    r.error = "no browser tab could be opened";
    return false;
  }
  tab->Extend(Clock::now() + kPageTimeout);
  auto lm = tab->Call("Page.getLayoutMetrics");
  if (!lm) {
    r.ok = false;
    r.error = "the page size could not be read";
    return false;
  }
  QJsonObject content = lm->value("cssContentSize").toObject();
  int w = std::max(1, int(std::ceil(content.value("width").toDouble())));
  int h = std::min(kMaxShotHeight, std::max(1, int(std::ceil(content.value("height").toDouble()))));
  QJsonObject clip{{"x", 0}, {"y", 0}, {"width", w}, {"height", h}, {"scale", 1}};
  auto shot = tab->Call("Page.captureScreenshot", {{"format", "png"},
                                                   {"clip", clip},
                                                   {"captureBeyondViewport", true},
                                                   {"optimizeForSpeed", true}});
  if (!shot) {
    r.ok = false;
    r.error = "the page could not be photographed";
    return false;
  }
  r.image = QByteArray::fromBase64(shot->value("data").toString().toLatin1()).toStdString();
  r.shotSkipped = false;
  ++shots_;
  lease.Clean(true);
  return true;
}

Rendering ChromiumVerifier::Render(const std::string& path, const std::string& bytes,
                                   const Rendering* reference) {
  Lease lease(*this);
  Rendering r;
  if (!Read(lease, path, bytes, r)) return r;
  if (reference && reference->ok && !SameInfo(r, *reference)) return r;
  Shoot(lease, r);
  return r;
}

bool DecodePixels(Rendering& r) {
  if (!r.pixels.empty()) return true;
  QImage image;
  if (!image.loadFromData(reinterpret_cast<const uchar*>(r.image.data()), int(r.image.size()), "PNG"))
    return false;
  image = image.convertToFormat(QImage::Format_RGB32);
  r.shotWidth = image.width();
  r.shotHeight = image.height();
  r.pixels.resize(size_t(r.shotWidth) * size_t(r.shotHeight) * 4);
  for (int y = 0; y < r.shotHeight; ++y)
    std::memcpy(r.pixels.data() + size_t(y) * size_t(r.shotWidth) * 4, image.constScanLine(y),
                size_t(r.shotWidth) * 4);
  return true;
}

Verdict ChromiumVerifier::Compare(const std::string& path, const std::string& original,
                                  const std::string& optimized) {
  if (fullDetail_) return CompareFully(path, original, optimized);
  // Both versions stay open in a tab each until the verdict, so the
  // screenshots, most of the cost, are taken only when the two documents
  // differ, and never cost another load.
  Lease first(*this), second(*this);
  Rendering before, after;
  if (!Read(first, path, original, before)) return CompareRenderings(before, before, false);
  if (Read(second, path, optimized, after) && SameInfo(before, after)) {
    Key(first, original, before);
    Key(second, optimized, after);
    if (SameDocument(before, after)) return CompareRenderings(before, after, false);
    if (!Shoot(second, after) || !Shoot(first, before)) return CompareRenderings(before, after, false);
    if (RenderingsEqual(before, after)) return CompareRenderings(before, after, false);
  }
  if (!after.ok) return CompareRenderings(before, after, false);
  // A second look at the original tells a page that differs from itself.
  Rendering again;
  bool nondeterministic = false;
  if (Read(second, path, original, again)) {
    if (!SameInfo(before, again)) {
      nondeterministic = true;
    } else {
      Key(first, original, before);
      Key(second, original, again);
      if (!SameDocument(before, again)) {
        if ((before.shotSkipped && !Shoot(first, before)) || !Shoot(second, again))
          return CompareRenderings(before, again, false);
        nondeterministic = before.image != again.image;
      }
    }
  }
  return Finish(before, after, nondeterministic);
}

Verdict ChromiumVerifier::CompareFully(const std::string& path, const std::string& original,
                                       const std::string& optimized) {
  Rendering before = Render(path, original);
  if (!before.ok) return CompareRenderings(before, before, false);
  Rendering after = Render(path, optimized);
  if (RenderingsEqual(before, after)) return CompareRenderings(before, after, false);
  Rendering again = Render(path, original, &before);
  return Finish(before, after, again.ok && !RenderingsEqual(before, again));
}

Verdict ChromiumVerifier::Finish(Rendering& before, Rendering& after, bool nondeterministic) {
  // Equal screenshots encode alike, so only differing ones are decoded.
  if (after.ok && !before.shotSkipped && !after.shotSkipped && !nondeterministic &&
      before.image != after.image && (!DecodePixels(before) || !DecodePixels(after))) {
    Verdict v;
    v.error = "the screenshot could not be decoded";
    return v;
  }
  return CompareRenderings(before, after, nondeterministic);
}

}  // namespace sw::verify
