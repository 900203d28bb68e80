#include "compose/textfit.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace TextFit {

QString Script()
{
    // Steps of 2% of the theme's size: fine enough that a box keeps nearly all it can, few
    // enough that a page of marked boxes costs a few milliseconds of layout.
    return QStringLiteral(R"JS((function(){
var out=[];
var boxes=document.querySelectorAll('[data-fit]');
for(var i=0;i<boxes.length;i++){
 var el=boxes[i];
 var limit=parseFloat(el.getAttribute('data-fit'));
 if(!(limit>0&&limit<=1))limit=1;
 var base=parseFloat(getComputedStyle(el).fontSize)||0;
 var shown=el.getClientRects().length>0;
 var over=function(){return el.scrollWidth>el.clientWidth+1||el.scrollHeight>el.clientHeight+1;};
 var size=base,step=base*0.02;
 while(shown&&step>0&&over()&&size-step>=base*limit-0.001){
  size-=step;
  el.style.setProperty('font-size',size.toFixed(3)+'px','important');
 }
 out.push({name:el.getAttribute('data-fit-name')||el.id||String(el.className),base:base,size:size,
  limit:limit,fits:!shown||!over(),shown:shown});
}
return JSON.stringify(out);
})())JS");
}

QList<Box> ParseReport(const QByteArray& json)
{
    QList<Box> boxes;
    const QJsonDocument document = QJsonDocument::fromJson(json);
    for (const QJsonValue& value : document.array()) {
        const QJsonObject object = value.toObject();
        if (object.isEmpty())
            continue;
        Box box;
        box.name = object.value(QStringLiteral("name")).toString();
        box.base = object.value(QStringLiteral("base")).toDouble();
        box.size = object.value(QStringLiteral("size")).toDouble();
        box.limit = object.value(QStringLiteral("limit")).toDouble(1);
        box.fits = object.value(QStringLiteral("fits")).toBool(true);
        box.shown = object.value(QStringLiteral("shown")).toBool(true);
        boxes.append(box);
    }
    return boxes;
}

} // namespace TextFit
