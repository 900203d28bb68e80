#include "compose/textfit.h"

#include "compose/adrules.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace TextFit {

namespace {
QString FitScript();
} // namespace

QString Script()
{
    return FitScript().replace(QLatin1String("/*AD_RULES*/"), AdRules::ScriptPart());
}

namespace {

QString FitScript()
{
    // Steps of 2% of the theme's size: fine enough that a box keeps nearly all it can, few
    // enough that a page of marked boxes costs a few milliseconds of layout.
    return QStringLiteral(R"JS((function(){
var out=[];
var boxes=document.querySelectorAll('[data-fit]');
var texts=function(el){var w=document.createTreeWalker(el,NodeFilter.SHOW_TEXT),n,a=[];while((n=w.nextNode()))a.push(n);return a;};
for(var i=0;i<boxes.length;i++){
 var el=boxes[i];
 var limit=parseFloat(el.getAttribute('data-fit'));
 if(!(limit>0&&limit<=1))limit=1;
 var base=parseFloat(getComputedStyle(el).fontSize)||0;
 var shown=el.getClientRects().length>0;
 // A line that may not wrap is measured to the fraction of a pixel: the theme's own ellipsis shows at
 // any overflow, while the whole-pixel scroll sizes round a small one away.
 var cs=getComputedStyle(el),oneLine=cs.whiteSpace==='nowrap'||cs.whiteSpace==='pre';
 var ellipsis=cs.textOverflow==='ellipsis';
 if(ellipsis)el.style.setProperty('text-overflow','clip','important');
 var over=function(){
  if(el.scrollWidth>el.clientWidth+1||el.scrollHeight>el.clientHeight+1)return true;
  if(!oneLine)return false;
  var r=document.createRange();r.selectNodeContents(el);
  var b=el.getBoundingClientRect(),room=b.width-parseFloat(cs.paddingLeft)-parseFloat(cs.paddingRight)-
   parseFloat(cs.borderLeftWidth)-parseFloat(cs.borderRightWidth);
  return r.getBoundingClientRect().width>room+0.01;
 };
 var size=base,step=base*0.02;
 while(shown&&step>0&&over()&&size-step>=base*limit-0.001){
  size-=step;
  el.style.setProperty('font-size',size.toFixed(3)+'px','important');
 }
 var fits=!shown||!over();
 var chars=el.textContent.length,kept=chars,cut=false;
 if(!fits&&chars>0){
  // The longest start of the text, ended at a word, that fits with an ellipsis after it: in the room
  // the box had, since a box sized by its text (a line clamp) narrows with it. Everything after the
  // cut goes, line breaks and list items too, or they would keep the box overflowing.
  var w0=el.clientWidth,h0=el.clientHeight,markup=el.innerHTML;
  var spills=function(){return el.scrollWidth>Math.max(el.clientWidth,w0)+1||el.scrollHeight>Math.max(el.clientHeight,h0)+1;};
  var show=function(k){
   el.innerHTML=markup;
   var nodes=texts(el),left=k;
   for(var j=0;j<nodes.length;j++){
    var t=nodes[j].data;
    if(left>t.length){left-=t.length;continue;}
    var part=t.slice(0,left),word=part.replace(/\s+\S*$/,'');
    if(word.length>0&&word.length<part.length&&/\S$/.test(word))part=word;
    nodes[j].data=part.replace(/\s+$/,'')+'\u2026';
    var rest=document.createRange();
    rest.setStartAfter(nodes[j]);
    rest.setEndAfter(el.lastChild);
    rest.deleteContents();
    return;
   }
  };
  var lo=0,hi=chars-1;
  while(lo<hi){var mid=Math.ceil((lo+hi)/2);show(mid);if(spills())hi=mid-1;else lo=mid;}
  show(lo);
  kept=Math.max(0,el.textContent.length-1);
  cut=true;
 }
 if(ellipsis)el.style.removeProperty('text-overflow');
 out.push({name:el.getAttribute('data-fit-name')||el.id||String(el.className),base:base,size:size,
  limit:limit,fits:fits,shown:shown,chars:chars,kept:kept,cut:cut});
}
// Photo frames drawn without a photo: an empty photo token is a bare file address.
var empty=0;
Array.from(document.images).forEach(function(im){
 var s=im.currentSrc||im.src,r=im.getBoundingClientRect(),c=getComputedStyle(im);
 if((s==='file:///'||s==='file://')&&c.display!=='none'&&c.visibility!=='hidden'&&r.width>0&&r.height>0)empty++;
});
if(empty>0)out.push({emptyFrames:empty});
/*AD_RULES*/
return JSON.stringify(out);
})())JS");
}

} // namespace

QList<Box> ParseReport(const QByteArray& json)
{
    QList<Box> boxes;
    const QJsonDocument document = QJsonDocument::fromJson(json);
    for (const QJsonValue& value : document.array()) {
        const QJsonObject object = value.toObject();
        if (object.isEmpty() || object.contains(QStringLiteral("emptyFrames")) ||
            object.contains(QStringLiteral("adRules")))
            continue;
        Box box;
        box.name = object.value(QStringLiteral("name")).toString();
        box.base = object.value(QStringLiteral("base")).toDouble();
        box.size = object.value(QStringLiteral("size")).toDouble();
        box.limit = object.value(QStringLiteral("limit")).toDouble(1);
        box.fits = object.value(QStringLiteral("fits")).toBool(true);
        box.shown = object.value(QStringLiteral("shown")).toBool(true);
        box.chars = object.value(QStringLiteral("chars")).toInt();
        box.kept = object.value(QStringLiteral("kept")).toInt(box.chars);
        box.cut = object.value(QStringLiteral("cut")).toBool(false);
        boxes.append(box);
    }
    return boxes;
}

int EmptyFrames(const QByteArray& report)
{
    for (const QJsonValue& value : QJsonDocument::fromJson(report).array()) {
        const QJsonValue frames = value.toObject().value(QStringLiteral("emptyFrames"));
        if (frames.isDouble())
            return frames.toInt();
    }
    return 0;
}

QByteArray WithLayout(const QByteArray& layout, const QByteArray& report)
{
    QJsonArray entries = QJsonDocument::fromJson(layout).array();
    entries.append(QJsonObject{{QStringLiteral("textfit"), QJsonDocument::fromJson(report).array()}});
    return QJsonDocument(entries).toJson(QJsonDocument::Compact);
}

QByteArray FromLayout(const QByteArray& layout)
{
    const QJsonArray entries = QJsonDocument::fromJson(layout).array();
    for (const QJsonValue& entry : entries) {
        const QJsonValue report = entry.toObject().value(QStringLiteral("textfit"));
        if (report.isArray())
            return QJsonDocument(report.toArray()).toJson(QJsonDocument::Compact);
    }
    return QByteArray();
}

QList<Box> CutBoxes(const QList<Box>& boxes)
{
    QList<Box> cut;
    for (const Box& box : boxes) {
        if (box.cut && box.shown)
            cut.append(box);
    }
    return cut;
}

QString FieldWords(const QString& name)
{
    static const QHash<QString, QString> kWords = {
        {QStringLiteral("caption"), QStringLiteral("the caption")},
        {QStringLiteral("mls"), QStringLiteral("the MLS number")},
        {QStringLiteral("price"), QStringLiteral("the price")},
        {QStringLiteral("address"), QStringLiteral("the address")},
        {QStringLiteral("citystatezip"), QStringLiteral("the city, state and zip line")},
        {QStringLiteral("description"), QStringLiteral("the description")},
        {QStringLiteral("features"), QStringLiteral("the features")},
        {QStringLiteral("contact"), QStringLiteral("your contact details")},
        {QStringLiteral("status"), QStringLiteral("the listing status")},
        {QStringLiteral("brokerage"), QStringLiteral("the brokerage")},
    };
    return kWords.value(name.toLower(), QStringLiteral("the text \"%1\"").arg(name));
}

QString CutMessage(const Box& box, const QString& themeName)
{
    QString field = FieldWords(box.name);
    field[0] = field[0].toUpper();
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const bool plural = field.endsWith(QLatin1String("features")) || field.endsWith(QLatin1String("details"));
    return QStringLiteral("%1 %2 cut after %3 of %4 characters in %5.")
        .arg(field, plural ? QStringLiteral("are") : QStringLiteral("is"), english.toString(box.kept),
             english.toString(box.chars), themeName);
}

} // namespace TextFit
