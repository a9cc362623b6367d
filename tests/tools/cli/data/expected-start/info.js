var offsetx = 15;
var offsety = 10;
var ie5 = (document.getElementById && document.all);
var ns6 = (document.getElementById && !document.all);
var ua = navigator.userAgent.toLowerCase();
var isapple = (ua.indexOf('applewebkit') != -1 ? 1 : 0);
function newelement(newid){
    if(document.createElement){
        var el = document.createElement('div');
        el.id = newid;
        with(el.style)
        {
            display = 'none';
            position = 'absolute';
        }
        el.innerHTML = '&nbsp;';
        document.body.appendChild(el);
    }
}
function getmouseposition(e){
    if(document.getElementById){
        var iebody=(document.compatMode && document.compatMode != 'BackCompat') ?
        		document.documentElement : document.body;
        pagex = ((ie5)?iebody.scrollLeft:window.pageXOffset);
        pagey = ((ie5)?iebody.scrollTop:window.pageYOffset);
        mousex = (ie5)?event.x:(ns6)?clientX = e.clientX:false;
        mousey = (ie5)?event.y:(ns6)?clientY = e.clientY:false;
        var fsinfobox = document.getElementById('infobox');
if ((mousex+offsetx+fsinfobox.clientWidth+5) > iebody.clientWidth) {
fsinfobox.style.left = ((iebody.scrollLeft+iebody.clientWidth) - (fsinfobox.clientWidth*2)) + 'px';
}
else { fsinfobox.style.left = (mousex+pagex+offsetx) + 'px'; }
if ((mousey+offsety+fsinfobox.clientHeight+5) > iebody.clientHeight) {
fsinfobox.style.top = ((iebody.scrollTop+iebody.clientHeight) - (fsinfobox.clientHeight*2)) + 'px';
}
else { fsinfobox.style.top = (mousey+pagey+offsety) + 'px'; }
    }
}
function infobox(boxtitle,boxbold,boxnormal){
    if(!document.getElementById('infobox')) newelement('infobox');
    var fsinfobox = document.getElementById('infobox');
    fsinfobox.innerHTML = '<table class="boxs" cellpadding="2" cellspacing="0"><tr><td class="boxheader" align="center">' + boxtitle + '</td></tr><tr><td class="boxcontent"><b>' + boxbold + '</b><br>' + boxnormal + '</td></tr></table>';
    fsinfobox.style.display = 'block';
    fsinfobox.style.position = 'absolute';
    fsinfobox.style.filter = 'progid:DXImageTransform.Microsoft.Alpha(Opacity=70) progid:DXImageTransform.Microsoft.dropshadow(OffX=5, OffY=5, Color=gray, Positive=true)';
    document.onmousemove = getmouseposition;
}
function exit(){
    document.getElementById('infobox').style.display = 'none';
}
