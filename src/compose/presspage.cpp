#include "compose/presspage.h"

#include "compose/textfit.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <cmath>

namespace PressPage {

QSize SheetPixels(QSize page)
{
    return page + QSize(2 * kBleedPixels, 2 * kBleedPixels);
}

QString Script(QSize page, bool extend)
{
    // Everything is measured before anything moves. Copies of the edge elements are drawn in a layer
    // of their own beneath the page, clipped to the bleed, so nothing inside the trim is covered or
    // moved; the page then goes onto the sheet by a transform of the root, whose box is pinned to the
    // trim so that the sheet's larger print viewport changes no layout.
    return QStringLiteral(R"JS((function(W,H,B,extend){
var out={nearTrim:{},small:{},bleed:[],extended:0};
var root=document.documentElement,body=document.body;
if(!body)return JSON.stringify(out);
var px=function(v){v=parseFloat(v);return isFinite(v)?v:0;};
var alpha=function(c){var m=/rgba?\(([^)]*)\)/.exec(c||'');if(!m)return c&&c!=='transparent'?1:0;var p=m[1].split(',');return p.length>3?px(p[3]):1;};
var nameOf=function(el){
 for(var e=el;e&&e.nodeType===1&&e!==body&&e!==root;e=e.parentElement){var n=e.getAttribute('data-fit-name')||e.id;if(n)return n;}
 return el&&el.nodeType===1?(typeof el.className==='string'&&el.className?el.className:el.tagName.toLowerCase()):'';
};
// The part of the page an element's content may show in, after its ancestors' overflow clips.
// The body's overflow belongs to the viewport when the root's is visible.
var clips=new Map(),none={l:-1e9,t:-1e9,r:1e9,b:1e9};
var clipOf=function(el){
 if(!el||el.nodeType!==1||el===root)return none;
 if(clips.has(el))return clips.get(el);
 var c=clipOf(el.parentElement),cs=getComputedStyle(el);
 var viewport=el===body&&getComputedStyle(root).overflowX==='visible'&&getComputedStyle(root).overflowY==='visible';
 if(!viewport&&(cs.overflowX!=='visible'||cs.overflowY!=='visible')){
  var r=el.getBoundingClientRect();
  var p={l:r.left+px(cs.borderLeftWidth),t:r.top+px(cs.borderTopWidth),r:r.right-px(cs.borderRightWidth),b:r.bottom-px(cs.borderBottomWidth)};
  c={l:c.l,t:c.t,r:c.r,b:c.b};
  if(cs.overflowX!=='visible'){c.l=Math.max(c.l,p.l);c.r=Math.min(c.r,p.r);}
  if(cs.overflowY!=='visible'){c.t=Math.max(c.t,p.t);c.b=Math.min(c.b,p.b);}
 }
 clips.set(el,c);
 return c;
};
var cut=function(a,c){return {l:Math.max(a.l,c.l,0),t:Math.max(a.t,c.t,0),r:Math.min(a.r,c.r,W),b:Math.min(a.b,c.b,H)};};
var empty=function(a){return a.r-a.l<0.5||a.b-a.t<0.5;};
var keep=function(map,name,value){if(!(name in map)||value<map[name])map[name]=value;};

// Text near the trim, and text too small to print: what shows of each text node, line by line.
var walker=document.createTreeWalker(body,NodeFilter.SHOW_TEXT),node;
while((node=walker.nextNode())){
 var el=node.parentElement;
 if(!el||!/\S/.test(node.data))continue;
 var cs=getComputedStyle(el);
 if(cs.visibility!=='visible'||px(cs.opacity)===0)continue;
 var c=clipOf(el),range=document.createRange(),shown=false;
 range.selectNodeContents(node);
 var rects=range.getClientRects();
 for(var i=0;i<rects.length;i++){
  var q=rects[i],v=cut({l:q.left,t:q.top,r:q.right,b:q.bottom},c);
  if(empty(v))continue;
  shown=true;
  var d=Math.min(v.l,v.t,W-v.r,H-v.b);
  if(d<B-0.01)keep(out.nearTrim,nameOf(el),d);
 }
 if(shown&&px(cs.fontSize)<8-0.001)keep(out.small,nameOf(el),px(cs.fontSize));
}

// Elements that touch the trim and draw something there.
var drawn=function(el,cs,r){
 var l=r.left+px(cs.borderLeftWidth)+px(cs.paddingLeft),t=r.top+px(cs.borderTopWidth)+px(cs.paddingTop);
 var w=r.right-px(cs.borderRightWidth)-px(cs.paddingRight)-l,h=r.bottom-px(cs.borderBottomWidth)-px(cs.paddingBottom)-t;
 var nw=el.naturalWidth,nh=el.naturalHeight;
 if(!(nw>0&&nh>0&&w>0&&h>0))return null;
 var f=cs.objectFit,sx=w/nw,sy=h/nh;
 if(f==='contain')sx=sy=Math.min(w/nw,h/nh);
 else if(f==='cover')sx=sy=Math.max(w/nw,h/nh);
 else if(f==='none')sx=sy=1;
 else if(f==='scale-down')sx=sy=Math.min(1,w/nw,h/nh);
 var dw=nw*sx,dh=nh*sy,pos=(cs.objectPosition||'').split(/\s+/);
 var off=function(s,room){if(/%$/.test(s||''))return room*parseFloat(s)/100;var n=parseFloat(s);return isFinite(n)?n:room/2;};
 var x=l+off(pos[0],w-dw),y=t+off(pos[1],h-dh);
 return {d:{l:x,t:y,r:x+dw,b:y+dh},box:{l:l,t:t,r:l+w,b:t+h}};
};
var sides=function(v){return {L:v.l<=0.5,T:v.t<=0.5,R:v.r>=W-0.5,Bo:v.b>=H-0.5};};
var any=function(s){return s.L||s.T||s.R||s.Bo;};
var grow=function(v,s){return {l:s.L?v.l-B:v.l,t:s.T?v.t-B:v.t,r:s.R?v.r+B:v.r,b:s.Bo?v.b+B:v.b};};
var turned=function(el){for(var e=el;e&&e!==root;e=e.parentElement)if(getComputedStyle(e).transform!=='none')return true;return false;};
var copies=[];
var all=body.querySelectorAll('*');
for(var k=0;k<all.length;k++){
 var el=all[k];
 if(el.closest('[data-bleed="none"]')||(el.ownerSVGElement&&el.tagName.toLowerCase()!=='svg'))continue;
 var cs=getComputedStyle(el);
 if(cs.display==='none'||cs.visibility!=='visible'||px(cs.opacity)===0)continue;
 var r=el.getBoundingClientRect();
 if(r.width<=0||r.height<=0)continue;
 var c=clipOf(el.parentElement),v=cut({l:r.left,t:r.top,r:r.right,b:r.bottom},c);
 if(empty(v))continue;
 var s=sides(v);
 if(!any(s))continue;
 var tag=el.tagName.toLowerCase(),bg=alpha(cs.backgroundColor)>0||cs.backgroundImage!=='none';
 var media=/^(svg|canvas|video|iframe|object|embed)$/.test(tag);
 var pic=null,ps=null,pv=null;
 if(tag==='img'){
  pic=drawn(el,cs,r);
  if(pic){pv=cut(cut(pic.d,pic.box),c);ps=empty(pv)?null:sides(pv);if(ps&&!any(ps))ps=null;}
 }
 var border=['Left','Top','Right','Bottom'].some(function(side,i){
  var on=[s.L,s.T,s.R,s.Bo][i];
  return on&&px(cs['border'+side+'Width'])>0&&alpha(cs['border'+side+'Color'])>0&&!/none|hidden/.test(cs['border'+side+'Style']);
 });
 var why=null;
 if(!bg&&!ps&&!media&&!border&&!(tag==='img'&&!pic))continue;
 if(tag==='img'&&!pic&&el.getAttribute('src'))why='picture';
 else if(media)why='media';
 else if(border)why='border';
 else if(turned(el))why='turned';
 if(why){out.bleed.push({name:nameOf(el),reason:why});continue;}
 if(bg){
  var e=grow(v,s),cb={l:Math.min(r.left,e.l),t:Math.min(r.top,e.t),r:Math.max(r.right,e.r),b:Math.max(r.bottom,e.b)};
  copies.push({el:el,cs:cs,kind:'bg',at:cb,clip:e});
 }
 if(ps){
  // The picture keeps its scale and place and shows what it has beyond the trim; only where it has
  // nothing more is it scaled up, about the middle of what shows, just enough to cover.
  var e=grow(pv,ps),d=pic.d,cx=(pv.l+pv.r)/2,cy=(pv.t+pv.b)/2,f=1;
  if(ps.L&&d.l>e.l)f=Math.max(f,(cx-e.l)/(cx-d.l));
  if(ps.R&&d.r<e.r)f=Math.max(f,(e.r-cx)/(d.r-cx));
  if(ps.T&&d.t>e.t)f=Math.max(f,(cy-e.t)/(cy-d.t));
  if(ps.Bo&&d.b<e.b)f=Math.max(f,(e.b-cy)/(d.b-cy));
  copies.push({el:el,cs:cs,kind:'img',at:{l:cx-(cx-d.l)*f,t:cy-(cy-d.t)*f,r:cx+(d.r-cx)*f,b:cy+(d.b-cy)*f},clip:e});
  // A photo's print copy ends at its box; the strips of its original beyond the box go over the copy.
  var slot=/#listora-slot-(\d+)/.exec(el.currentSrc||el.src||'');
  if(slot)document.querySelectorAll('img[data-listora-bleed-slot="'+slot[1]+'"]').forEach(function(st){
   var q=(st.getAttribute('data-listora-bleed-rect')||'').split(',').map(parseFloat);
   if(q.length===4&&q.every(isFinite)&&st.complete&&st.naturalWidth>0)
    copies.push({el:st,cs:cs,kind:'img',at:{l:q[0],t:q[1],r:q[0]+q[2],b:q[1]+q[3]},clip:e});
  });
 }
}
out.extended=copies.length;
out.page=[W,H];
if(extend){
 var rr=root.getBoundingClientRect();
 root.style.setProperty('width',rr.width+'px','important');
 root.style.setProperty('height',H+'px','important');
 root.style.setProperty('transform','translate('+B+'px,'+B+'px)','important');
 root.style.setProperty('transform-origin','0 0','important');
 // The layer is the sheet and clips to it: a copy reaching past the sheet would make the engine
 // shrink the whole page to fit.
 var layer=document.createElement('div');
 layer.setAttribute('data-listora-bleed','');
 layer.style.cssText='position:absolute!important;left:'+(-B)+'px!important;top:'+(-B)+'px!important;'+
  'width:'+(W+2*B)+'px!important;height:'+(H+2*B)+'px!important;margin:0!important;padding:0!important;'+
  'border:0!important;overflow:hidden!important;z-index:-1!important;transform:none!important;'+
  'display:block!important;visibility:visible!important;opacity:1!important;background:none!important';
 root.appendChild(layer);
 var lr=layer.getBoundingClientRect(),ox=lr.left-B,oy=lr.top-B;
 copies.forEach(function(cp){
  var a=cp.at,e=cp.clip,n=cp.kind==='img'?document.createElement('img'):document.createElement('div');
  // A pixel under the trim's edge, beneath the element itself: copy and element meeting exactly
  // would leave a hairline in a rasteriser.
  // The hole lies within the outline, or the even-odd rule would fill what of the trim lies outside it.
  var o=1,h={l:Math.max(o,e.l),t:Math.max(o,e.t),r:Math.min(W-o,e.r),b:Math.min(H-o,e.b)};
  var pt=function(x,y){return (x-a.l).toFixed(3)+'px '+(y-a.t).toFixed(3)+'px';};
  var st='position:absolute;display:block;margin:0;padding:0;border:0;box-sizing:border-box;max-width:none;max-height:none;'+
   'left:'+(a.l-ox).toFixed(3)+'px;top:'+(a.t-oy).toFixed(3)+'px;width:'+(a.r-a.l).toFixed(3)+'px;height:'+(a.b-a.t).toFixed(3)+'px;'+
   'opacity:'+cp.cs.opacity+';mix-blend-mode:'+cp.cs.mixBlendMode+';filter:'+cp.cs.filter+';'+
   'clip-path:polygon(evenodd,'+[pt(e.l,e.t),pt(e.r,e.t),pt(e.r,e.b),pt(e.l,e.b),pt(e.l,e.t),
    pt(h.l,h.t),pt(h.l,h.b),pt(h.r,h.b),pt(h.r,h.t),pt(h.l,h.t)].join(',')+');';
  n.style.cssText=st;
  if(cp.kind==='img'){
   n.style.setProperty('object-fit','fill');
   n.src=cp.el.currentSrc||cp.el.src;
  }else{
   ['backgroundColor','backgroundImage','backgroundSize','backgroundPosition','backgroundRepeat'].forEach(function(p){n.style[p]=cp.cs[p];});
  }
  layer.appendChild(n);
 });
}
out.nearTrim=Object.keys(out.nearTrim).map(function(n){return {name:n,value:out.nearTrim[n]};});
out.small=Object.keys(out.small).map(function(n){return {name:n,value:out.small[n]};});
return JSON.stringify(out);
})(%1,%2,%3,%4))JS")
        .arg(page.width())
        .arg(page.height())
        .arg(kBleedPixels)
        .arg(extend ? QStringLiteral("true") : QStringLiteral("false"));
}

QByteArray WithLayout(const QByteArray& layout, const QByteArray& report)
{
    QJsonArray entries = QJsonDocument::fromJson(layout).array();
    entries.append(QJsonObject{{QStringLiteral("press"), QJsonDocument::fromJson(report).object()}});
    return QJsonDocument(entries).toJson(QJsonDocument::Compact);
}

Report FromLayout(const QByteArray& layout)
{
    Report report;
    for (const QJsonValue& entry : QJsonDocument::fromJson(layout).array()) {
        const QJsonObject press = entry.toObject().value(QStringLiteral("press")).toObject();
        if (press.isEmpty())
            continue;
        const auto texts = [&press](const QString& key) {
            QList<Report::Text> list;
            for (const QJsonValue& value : press.value(key).toArray()) {
                const QJsonObject object = value.toObject();
                list.append(Report::Text{object.value(QStringLiteral("name")).toString(),
                                         object.value(QStringLiteral("value")).toDouble()});
            }
            return list;
        };
        report.nearTrim = texts(QStringLiteral("nearTrim"));
        report.small = texts(QStringLiteral("small"));
        for (const QJsonValue& value : press.value(QStringLiteral("bleed")).toArray()) {
            const QJsonObject object = value.toObject();
            report.unbleedable.append(Report::Edge{object.value(QStringLiteral("name")).toString(),
                                                   object.value(QStringLiteral("reason")).toString()});
        }
        report.extended = press.value(QStringLiteral("extended")).toInt();
        const QJsonArray page = press.value(QStringLiteral("page")).toArray();
        report.page = QSize(page.at(0).toInt(), page.at(1).toInt());
    }
    return report;
}

QList<Strip> BleedStrips(const QRect& crop, const QSize& original, const QSize& copySize, const QRectF& box, QSize page)
{
    QList<Strip> strips;
    if (crop.isEmpty() || copySize.isEmpty() || box.isEmpty() || page.isEmpty())
        return strips;
    // Original pixels per CSS pixel, and copy pixels per original pixel.
    const double sx = crop.width() / box.width(), sy = crop.height() / box.height();
    const double reduce = double(copySize.width()) / crop.width();
    const auto reach = [](bool touches, double scale, int room) {
        return touches ? qBound(0, int(std::ceil(kBleedPixels * scale)), room) : 0;
    };
    const int left = reach(std::abs(box.left()) <= 0.5, sx, crop.left());
    const int top = reach(std::abs(box.top()) <= 0.5, sy, crop.top());
    const int right = reach(std::abs(box.right() - page.width()) <= 0.5, sx, original.width() - crop.right() - 1);
    const int bottom = reach(std::abs(box.bottom() - page.height()) <= 0.5, sy, original.height() - crop.bottom() - 1);
    const auto add = [&](const QRect& source) {
        if (source.isEmpty())
            return;
        const QRectF rect(box.left() + (source.left() - crop.left()) / sx, box.top() + (source.top() - crop.top()) / sy,
                          source.width() / sx, source.height() / sy);
        const QSize size(qMax(1, qRound(source.width() * reduce)), qMax(1, qRound(source.height() * reduce)));
        strips.append(Strip{source, size, rect});
    };
    const QRect tall(crop.left(), crop.top() - top, crop.width(), crop.height() + top + bottom);
    add(QRect(tall.left() - left, tall.top(), left, tall.height()));
    add(QRect(tall.right() + 1, tall.top(), right, tall.height()));
    add(QRect(crop.left(), crop.top() - top, crop.width(), top));
    add(QRect(crop.left(), crop.bottom() + 1, crop.width(), bottom));
    return strips;
}

QString StripElement(const QString& url, int slot, const QRectF& rect)
{
    const QLocale c = QLocale::c();
    return QStringLiteral("<img src=\"%1\" data-listora-bleed-slot=\"%2\" data-listora-bleed-rect=\"%3,%4,%5,%6\" "
                          "alt=\"\" style=\"display:none!important\">")
        .arg(url.toHtmlEscaped())
        .arg(slot)
        .arg(c.toString(rect.x(), 'f', 3), c.toString(rect.y(), 'f', 3), c.toString(rect.width(), 'f', 3),
             c.toString(rect.height(), 'f', 3));
}

namespace {

QString Capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

// "comes" or "come": "the features" and "your contact details" are many.
QString Verb(const QString& field, const QString& one, const QString& many)
{
    return field.endsWith(QLatin1String("features")) || field.endsWith(QLatin1String("details")) ? many : one;
}

QString Inches(double pixels)
{
    return QLocale::c().toString(qMax(0.0, pixels) / 96.0, 'f', 2);
}

} // namespace

CXFindings Findings(const Report& report, const QString& themeName)
{
    CXFindings findings;
    for (const Report::Text& text : report.nearTrim) {
        findings.append(CXFinding{
            QStringLiteral("safe-zone"), text.name, CXFinding::Level::Error,
            QStringLiteral("%1 in %2 %3 within %4 in of the page's edge, where a print shop may cut; keep text at "
                           "least 0.125 in inside.")
                .arg(Capitalised(TextFit::FieldWords(text.name)), themeName,
                     Verb(TextFit::FieldWords(text.name), QStringLiteral("comes"), QStringLiteral("come")),
                     Inches(text.value))});
    }
    for (const Report::Text& text : report.small) {
        findings.append(
            CXFinding{QStringLiteral("min-size"), text.name, CXFinding::Level::Warning,
                      QStringLiteral("%1 in %2 %3 at %4 pt, under the 6 pt a printed flyer needs to be read.")
                          .arg(Capitalised(TextFit::FieldWords(text.name)), themeName,
                               Verb(TextFit::FieldWords(text.name), QStringLiteral("prints"), QStringLiteral("print")),
                               QLocale::c().toString(text.value * 0.75, 'f', 1))});
    }
    for (const Report::Edge& edge : report.unbleedable) {
        static const QHash<QString, QString> kWhy = {
            {QStringLiteral("border"), QStringLiteral("it has a border along the edge")},
            {QStringLiteral("turned"), QStringLiteral("it is turned or transformed")},
            {QStringLiteral("media"), QStringLiteral("it is a drawing or embedded object")},
            {QStringLiteral("picture"), QStringLiteral("its picture could not be read")},
        };
        findings.append(CXFinding{
            QStringLiteral("bleed"), edge.name, CXFinding::Level::Error,
            QStringLiteral("%1 in %2 %3 the page's edge but cannot continue into the bleed (%4); a white line may "
                           "show where the print shop cuts.")
                .arg(Capitalised(TextFit::FieldWords(edge.name)), themeName,
                     Verb(TextFit::FieldWords(edge.name), QStringLiteral("touches"), QStringLiteral("touch")),
                     kWhy.value(edge.reason, QStringLiteral("it cannot be drawn larger")))});
    }
    return findings;
}

} // namespace PressPage
