#include "web/site_pages.h"

#include "framework/text.h"
#include "web/html_text.h"

namespace ld::web {

namespace {

// The stage's colours: deep crimson, gold, white.
const char kStyle[] = R"css(
*{box-sizing:border-box}
body{margin:0;padding:16px;min-height:100vh;font:17px/1.5 sans-serif;color:#fff;
background:linear-gradient(#7a0c1c,#3a0610)}
main{max-width:480px;margin:0 auto}
h1{font-size:24px;color:#f8c548;margin:8px 0 16px;text-align:center}
p{margin:8px 0}
.card{background:rgba(0,0,0,.25);border:1px solid rgba(248,197,72,.5);border-radius:12px;padding:16px;margin:12px 0}
label{display:block;margin:12px 0 4px}
input{width:100%;font-size:20px;padding:10px;border-radius:8px;border:1px solid #f8c548}
button{width:100%;margin-top:20px;font-size:20px;padding:12px;border:0;border-radius:8px;background:#f8c548;
color:#3a0610;font-weight:bold}
.note{color:#ffd9a0}
a{color:#f8c548}
ol{list-style:none;padding:0;margin:0}
li{display:flex;gap:10px;align-items:baseline;padding:8px 0;border-bottom:1px solid rgba(248,197,72,.25)}
.o{color:#f8c548;min-width:2.5em}.p{color:#f8c548;white-space:nowrap}.d{opacity:.8;font-size:15px}
)css";

QString attribute(const QString& value) { return QLatin1Char('"') + htmlEscape(value) + QLatin1Char('"'); }

QString document(const QString& title, const QString& body, const QString& nonce, const QString& script = {},
                 const QString& bodyAttributes = {}) {
  QString page = QStringLiteral(
                     "<!DOCTYPE html><html lang=\"zh\"><head><meta charset=\"utf-8\">"
                     "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
                     "<title>%1</title><style nonce=%2>%3</style></head><body%4><main>")
                     .arg(htmlEscape(title), attribute(nonce), QString::fromLatin1(kStyle), bodyAttributes);
  page += body;
  page += QStringLiteral("</main>");
  if (!script.isEmpty()) page += QStringLiteral("<script nonce=%1>%2</script>").arg(attribute(nonce), script);
  page += QStringLiteral("</body></html>");
  return page;
}

QString hidden(const char* name, const QString& value) {
  return QStringLiteral("<input type=\"hidden\" name=\"%1\" value=%2>")
      .arg(QLatin1String(name), attribute(value));
}

QString winnersLink() {
  return QStringLiteral("<p><a href=\"/winners\">%1</a></p>").arg(htmlEscape(Tr::tr("查看中奖名单")));
}

// Keeps the list live: server-sent events, or polling where they are missing or fail. Data reaches the
// page only through textContent.
const char kWinnersScript[] = R"js(
(function(){
var ds=document.body.dataset,list=document.getElementById('list'),none=document.getElementById('none');
function span(c,t){var s=document.createElement('span');s.className=c;s.textContent=t;return s;}
function row(w){var li=document.createElement('li');li.appendChild(span('o',w.order));
li.appendChild(span('p',w.prize));li.appendChild(span('n',w.name));li.appendChild(span('d',w.department));
return li;}
function setMe(me){var box=document.getElementById('me');if(!box||!me)return;
document.getElementById('me-state').textContent=me.won?ds.won.replace('%1',me.prize):ds.waiting;}
function all(data){list.textContent='';data.winners.forEach(function(w){list.appendChild(row(w));});
none.hidden=data.winners.length>0;setMe(data.me);}
function poll(){fetch('/winners.json',{cache:'no-store',credentials:'same-origin'})
.then(function(r){return r.json();}).then(all).catch(function(){});}
var timer=null;
function startPolling(){if(!timer){timer=setInterval(poll,3000);poll();}}
function stopPolling(){if(timer){clearInterval(timer);timer=null;}}
if(!window.EventSource){startPolling();return;}
var es=new EventSource('/winners/stream');
es.addEventListener('winner',function(e){var w=JSON.parse(e.data);list.insertBefore(row(w),list.firstChild);
none.hidden=true;if(ds.me&&w.tag===ds.me)setMe({won:true,prize:w.prize});});
es.addEventListener('change',poll);
es.onopen=function(){if(timer){stopPolling();poll();}};
es.onerror=startPolling;
})();
)js";

}  // namespace

QString checkInPage(const CheckInForm& form, const QString& nonce) {
  QString body = QStringLiteral("<h1>%1</h1><form class=\"card\" method=\"post\" action=\"/checkin\">")
                     .arg(htmlEscape(Tr::tr("签到")));
  if (!form.message.isEmpty())
    body += QStringLiteral("<p class=\"note\" role=\"alert\">%1</p>").arg(htmlEscape(form.message));
  body += hidden("t", form.roomToken) + hidden("csrf", form.csrf) + hidden("d", form.phoneToken);
  if (form.askEmployeeId)
    body += QStringLiteral(
                "<label for=\"gh\">%1</label><input id=\"gh\" name=\"gh\" value=%2 autocomplete=\"off\" "
                "autocapitalize=\"off\" required>")
                .arg(htmlEscape(Tr::tr("工号")), attribute(form.employeeId));
  body += QStringLiteral(
              "<label for=\"code\">%1</label><input id=\"code\" name=\"code\" value=%3 autocomplete=\"off\" "
              "autocapitalize=\"characters\" required><button type=\"submit\">%2</button></form>")
              .arg(htmlEscape(Tr::tr("签到码")), htmlEscape(Tr::tr("签到")), attribute(form.code));
  body += QStringLiteral("<p class=\"note\">%1</p>").arg(htmlEscape(Tr::tr("签到码在公司发给你的通知里。")));
  return document(Tr::tr("签到"), body, nonce);
}

QString messagePage(const QString& title, const QString& text, bool linkToWinners, const QString& nonce) {
  QString body = QStringLiteral("<h1>%1</h1><div class=\"card\"><p>%2</p></div>")
                     .arg(htmlEscape(title), htmlEscape(text));
  if (linkToWinners) body += winnersLink();
  return document(title, body, nonce);
}

QString winnersPage(const QList<WinnerLine>& newestFirst, const std::optional<OwnPerson>& me,
                    const QString& notice, const QString& nonce) {
  QString body = QStringLiteral("<h1>%1</h1>").arg(htmlEscape(Tr::tr("中奖名单")));
  if (!notice.isEmpty())
    body += QStringLiteral("<div class=\"card\" id=\"notice\"><p class=\"note\">%1</p></div>")
                .arg(htmlEscape(notice));
  if (me) {
    body += QStringLiteral(
                "<div class=\"card\" id=\"me\"><p>%1</p><p id=\"me-state\" class=\"note\">%2</p></div>")
                .arg(htmlEscape(Tr::tr("%1，你已签到").arg(me->name)),
                     htmlEscape(me->won ? Tr::tr("恭喜你中了%1！").arg(me->prize) : Tr::tr("还没有抽到你")));
  }
  body += QStringLiteral("<div class=\"card\"><p id=\"none\"%1>%2</p><ol id=\"list\">")
              .arg(newestFirst.isEmpty() ? QString() : QStringLiteral(" hidden"),
                   htmlEscape(Tr::tr("还没有人中奖")));
  for (const WinnerLine& line : newestFirst) {
    const WinnerNews& w = line.news;
    body +=
        QStringLiteral(
            "<li><span class=\"o\">%1</span><span class=\"p\">%2</span><span class=\"n\">%3</span>"
            "<span class=\"d\">%4</span></li>")
            .arg(QString::number(w.order), htmlEscape(w.prize), htmlEscape(w.name), htmlEscape(w.department));
  }
  body += QStringLiteral("</ol></div>");
  const QString data = QStringLiteral(" data-me=%1 data-won=%2 data-waiting=%3")
                           .arg(attribute(me ? me->tag : QString()), attribute(Tr::tr("恭喜你中了%1！")),
                                attribute(Tr::tr("还没有抽到你")));
  return document(Tr::tr("中奖名单"), body, nonce, QString::fromLatin1(kWinnersScript), data);
}

}  // namespace ld::web
