#include "compose/adrules.h"

#include "compose/templatemerge.h"
#include "settings/appsettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace AdRules {

namespace {

const QString kMetaName = QStringLiteral("listora-ad-rules");

QString Px(double size)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(size, 'f', size == int(size) ? 0 : 1);
}

} // namespace

QString HeadEntry(const CAppSettings& settings, bool ownAgent)
{
    const CBrokerageTexts brokerage = BrokerageTexts(settings, ownAgent);
    if (brokerage.name.isEmpty())
        return QString();
    QJsonArray contact;
    contact.append(ListingFieldHtml(settings.FullName.trimmed(), ListingHtml::OneLine));
    const std::pair<int, const QString*> phones[] = {{settings.PhoneLabel01, &settings.Phone01},
                                                     {settings.PhoneLabel02, &settings.Phone02}};
    for (const auto& [label, number] : phones) {
        if (PhoneLabel(label) != PhoneLabel(0) && !number->trimmed().isEmpty())
            contact.append(ListingFieldHtml(number->trimmed(), ListingHtml::OneLine));
    }
    const QJsonObject wanted{{QStringLiteral("brokerage"), brokerage.name}, {QStringLiteral("contact"), contact}};
    const QString json = QString::fromUtf8(QJsonDocument(wanted).toJson(QJsonDocument::Compact));
    return QStringLiteral("<meta name=\"%1\" content=\"%2\">").arg(kMetaName, json.toHtmlEscaped());
}

QString WithHeadEntry(const QString& page, const CAppSettings& settings, bool ownAgent)
{
    const QString entry = HeadEntry(settings, ownAgent);
    if (entry.isEmpty())
        return page;
    QString result = page;
    const qsizetype head = result.indexOf(QLatin1String("</head>"), 0, Qt::CaseInsensitive);
    result.insert(head >= 0 ? head : 0, entry);
    return result;
}

QString ScriptPart()
{
    // The texts are HTML as the merge gave them; a parsed document of their own turns them into
    // the words the page shows without loading anything. The element that holds a text whole and
    // has no child that does is the one whose size it is drawn in; one hidden, clipped away or off
    // the page does not count.
    return QStringLiteral(R"JS(
(function(){
 var meta=document.querySelector('meta[name="listora-ad-rules"]');
 if(!meta)return;
 var wanted;try{wanted=JSON.parse(meta.getAttribute('content'));}catch(e){return;}
 var norm=function(s){return String(s||'').replace(/[\s\u00a0]+/g,' ').trim();};
 var words=function(html){return norm(new DOMParser().parseFromString('<body>'+html+'</body>','text/html').body.textContent);};
 var inside=function(r,c){return r.right>c.left&&r.left<c.right&&r.bottom>c.top&&r.top<c.bottom;};
 var shown=function(el){
  if(el.getClientRects().length===0)return false;
  var r=el.getBoundingClientRect();
  if(r.width<1||r.height<1||!inside(r,{left:0,top:0,right:window.innerWidth,bottom:window.innerHeight}))return false;
  for(var p=el;p&&p!==document.documentElement;p=p.parentElement){
   var s=getComputedStyle(p);
   if(s.visibility==='hidden'||parseFloat(s.opacity)===0)return false;
   if(p!==el&&(s.overflowX!=='visible'||s.overflowY!=='visible')&&!inside(r,p.getBoundingClientRect()))return false;
  }
  return true;
 };
 var sizes=function(html){
  var text=words(html),found=[];
  if(!text)return found;
  var all=document.body?document.body.getElementsByTagName('*'):[];
  for(var i=0;i<all.length;i++){
   var el=all[i];
   if(norm(el.textContent).indexOf(text)<0)continue;
   var inner=false;
   for(var c=el.firstElementChild;c&&!inner;c=c.nextElementSibling)inner=norm(c.textContent).indexOf(text)>=0;
   if(inner||!shown(el))continue;
   found.push(parseFloat(getComputedStyle(el).fontSize)||0);
  }
  return found;
 };
 var own=sizes(wanted.brokerage),contact=[];
 (wanted.contact||[]).forEach(function(t){contact=contact.concat(sizes(t));});
 out.push({adRules:{found:own.length>0,size:own.length?Math.max.apply(null,own):0,
  contact:contact.length?Math.max.apply(null,contact):0}});
})();
)JS");
}

std::optional<Measure> FromReport(const QByteArray& report)
{
    for (const QJsonValue& value : QJsonDocument::fromJson(report).array()) {
        const QJsonValue rules = value.toObject().value(QStringLiteral("adRules"));
        if (!rules.isObject())
            continue;
        const QJsonObject object = rules.toObject();
        Measure measure;
        measure.found = object.value(QStringLiteral("found")).toBool();
        measure.size = object.value(QStringLiteral("size")).toDouble();
        measure.contact = object.value(QStringLiteral("contact")).toDouble();
        return measure;
    }
    return std::nullopt;
}

CXFindings Findings(const CAppSettings& settings, bool ownAgent, const std::optional<Measure>& measure,
                    const QString& themeName)
{
    CXFindings findings;
    if (!ownAgent)
        return findings;
    const CXFinding::Level level = settings.AdRulesOn() ? CXFinding::Level::Error : CXFinding::Level::Warning;
    if (BrokerageTexts(settings, ownAgent).name.isEmpty()) {
        // An agent who has named no brokerage and not asked for the rules is not told on every flyer.
        if (!settings.AdRulesOn())
            return findings;
        findings.append({QStringLiteral("brokerage"), QStringLiteral("brokerage"), level,
                         QStringLiteral("The flyer does not name your brokerage: enter its name in Options, My "
                                        "Information.")});
        return findings;
    }
    if (!measure || !measure->found) {
        findings.append({QStringLiteral("brokerage"), QStringLiteral("brokerage"), level,
                         QStringLiteral("%1 does not show your brokerage's name on the flyer: choose a theme that "
                                        "shows it.")
                             .arg(themeName)});
        return findings;
    }
    if (measure->contact > 0 && measure->size < measure->contact / 2 - 0.01) {
        findings.append({QStringLiteral("brokerage-size"), QStringLiteral("brokerage"), level,
                         QStringLiteral("Your brokerage's name is drawn at %1 px in %2, less than half the %3 px of "
                                        "your name or phone number.")
                             .arg(Px(measure->size), themeName, Px(measure->contact))});
    }
    return findings;
}

} // namespace AdRules
