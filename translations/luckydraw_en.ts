<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ld</name>
    <message>
        <source>内置图片缺失：</source>
        <translation>Built-in picture missing: </translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>活动数据库正被另一个程序使用，请稍后再试</source>
        <translation>The event database is in use by another program; please try again shortly</translation>
    </message>
    <message>
        <source>无法打开活动数据库 %1</source>
        <translation>Cannot open the event database %1</translation>
    </message>
    <message>
        <source>：文件不存在</source>
        <translation>: the file does not exist</translation>
    </message>
    <message>
        <source>：文件不是活动数据库</source>
        <translation>: the file is not an event database</translation>
    </message>
    <message>
        <source>没有连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>活动数据库 %1 无法写入，抽奖结果将无法保存：%2</source>
        <translation>The event database %1 cannot be written; draw results cannot be saved: %2</translation>
    </message>
    <message>
        <source>一等奖</source>
        <translation>First prize</translation>
    </message>
    <message>
        <source>二等奖</source>
        <translation>Second prize</translation>
    </message>
    <message>
        <source>三等奖</source>
        <translation>Third prize</translation>
    </message>
    <message>
        <source>幸运奖</source>
        <translation>Lucky prize</translation>
    </message>
    <message>
        <source>一次只能执行一条语句</source>
        <translation>Only one statement can be run at a time</translation>
    </message>
    <message>
        <source>语句为空</source>
        <translation>The statement is empty</translation>
    </message>
    <message>
        <source>语句需要 %1 个值，给了 %2 个</source>
        <translation>The statement needs %1 values, %2 were given</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 超出整数范围</source>
        <translation>&apos;%1&apos; is out of the integer range</translation>
    </message>
    <message>
        <source>无法把 %1 类型的值写入数据库</source>
        <translation>A value of type %1 cannot be written to the database</translation>
    </message>
    <message>
        <source>活动数据库 %1 无法写入，这次更改没有保存：%2</source>
        <translation>The event database %1 cannot be written; this change was not saved: %2</translation>
    </message>
    <message>
        <source>无效的空值 (Null)</source>
        <translation>Invalid null value (Null)</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 不是有效的整数值</source>
        <translation>&apos;%1&apos; is not a valid integer</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 不是有效的数值</source>
        <translation>&apos;%1&apos; is not a valid number</translation>
    </message>
    <message>
        <source>没有当前记录</source>
        <translation>No current record</translation>
    </message>
    <message>
        <source>找不到字段 &apos;%1&apos;</source>
        <translation>Field &apos;%1&apos; not found</translation>
    </message>
    <message>
        <source>%1 已经存在，不会覆盖</source>
        <translation>%1 already exists and will not be overwritten</translation>
    </message>
    <message>
        <source>无法在 %1 下创建 db 和 zp 文件夹</source>
        <translation>Cannot create the db and zp folders in %1</translation>
    </message>
    <message>
        <source>无法创建 %1：%2</source>
        <translation>Cannot create %1: %2</translation>
    </message>
    <message>
        <source>没有进行中的事务</source>
        <translation>No transaction in progress</translation>
    </message>
    <message>
        <source>抽奖顺序已达上限</source>
        <translation>The draw order has reached its limit</translation>
    </message>
    <message>
        <source>中奖者 %1 未能记录：该员工已不在待抽名单中</source>
        <translation>Winner %1 could not be recorded: no longer among those still to be drawn</translation>
    </message>
    <message>
        <source>%1%2位</source>
        <translation>%1 ×%2</translation>
    </message>
    <message>
        <source>烟花</source>
        <translation>Fireworks</translation>
    </message>
    <message>
        <source>图片 %1 没有可显示的内容</source>
        <translation>The picture %1 holds nothing to show</translation>
    </message>
    <message>
        <source>是否确定关闭手机？</source>
        <translation>Switch off the phone?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>抽奖</source>
        <translation>Draw</translation>
    </message>
    <message>
        <source>抽奖已停止：%1</source>
        <translation>The draw has stopped: %1</translation>
    </message>
    <message>
        <source>未保存</source>
        <translation>Not saved</translation>
    </message>
    <message>
        <source>活动数据库文件已被移动或替换，请重新启动程序后再抽奖。</source>
        <translation>The event database file has been moved or replaced; please restart the program before drawing again.</translation>
    </message>
    <message>
        <source>本次抽奖结果未保存，没有人中奖，所有员工仍可被抽中。
%1
%2</source>
        <translation>This draw was not saved: nobody won, everyone can still be drawn.
%1
%2</translation>
    </message>
    <message>
        <source>（计划外）</source>
        <translation> (outside the plan)</translation>
    </message>
    <message>
        <source>无人中奖</source>
        <translation>No winner</translation>
    </message>
    <message>
        <source>路径不在程序文件夹内: %1</source>
        <translation>Path outside the program folder: %1</translation>
    </message>
    <message>
        <source>要放入演示名单吗？（24 位虚构的参与者和他们的照片，可在设置里清空）
选“否”则名单为空，在设置里添加参与者。</source>
        <translation>Add the demo roster? (24 made-up participants with their photos; it can be cleared in the settings)
Choose No for an empty roster, then add participants in the settings.</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
    <message>
        <source>活动文件夹 %1 在系统目录 /usr 里，那里只有软件包管理器可以写入。请换一个文件夹。</source>
        <translation>The event folder %1 is inside the system directory /usr, where only the package manager writes. Please choose another folder.</translation>
    </message>
    <message>
        <source>%1 不是文件夹</source>
        <translation>%1 is not a folder</translation>
    </message>
    <message>
        <source>文件夹 %1 里没有活动（db/db.mdb）。
要在这个文件夹新建一个活动吗？</source>
        <translation>The folder %1 holds no event (db/db.mdb).
Create a new event in this folder?</translation>
    </message>
    <message>
        <source>上次打开的活动 %1 已经不在了。
</source>
        <translation>The event opened last, %1, is no longer there.
</translation>
    </message>
    <message>
        <source>还没有打开过活动。
</source>
        <translation>No event has been opened yet.
</translation>
    </message>
    <message>
        <source>要新建一个活动吗？它的文件夹是
%1
（要打开别的活动文件夹，启动时把文件夹写在命令后面：luckydraw 文件夹）</source>
        <translation>Create a new event? Its folder will be
%1
(to open another event folder, give it on the command line: luckydraw FOLDER)</translation>
    </message>
    <message>
        <source>幸运抽奖</source>
        <translation>Lucky Draw</translation>
    </message>
    <message>
        <source>--lang 只接受 zh（中文）或 en（英文），不接受“%1”</source>
        <translation>--lang accepts zh (Chinese) or en (English), not “%1”</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>文件夹不存在</source>
        <translation>the folder does not exist</translation>
    </message>
    <message>
        <source>不是文件夹</source>
        <translation>not a folder</translation>
    </message>
    <message>
        <source>没有访问权限</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>无法锁定活动文件夹 %1：%2</source>
        <translation>Cannot lock the event folder %1: %2</translation>
    </message>
    <message>
        <source>活动文件夹 %1 正被另一个程序（抽奖程序或 eventdb）使用。同一个活动同时只能由一个程序打开，请先关闭另一个，再重试。</source>
        <translation>The event folder %1 is in use by another program (the lucky draw or eventdb). An event can be open in only one program at a time; please close the other one and try again.</translation>
    </message>
    <message>
        <source>JPEG 图像错误: </source>
        <translation>JPEG image error: </translation>
    </message>
    <message>
        <source>JPEG 文件不存在: %1</source>
        <translation>JPEG file does not exist: %1</translation>
    </message>
    <message>
        <source>%1 不是一个文件</source>
        <translation>%1 is not a file</translation>
    </message>
    <message>
        <source>无法读取 JPEG 文件 %1: %2</source>
        <translation>Cannot read the JPEG file %1: %2</translation>
    </message>
    <message>
        <source>JPEG 文件 %1 太大 (%2 字节)</source>
        <translation>The JPEG file %1 is too large (%2 bytes)</translation>
    </message>
    <message>
        <source>找不到 eventdb 程序，演示名单没有加入，活动的名单为空。</source>
        <translation>The eventdb program was not found: the demo roster was not added and the event&apos;s roster is empty.</translation>
    </message>
    <message>
        <source>演示名单没有加入，活动的名单为空：%1</source>
        <translation>The demo roster was not added and the event&apos;s roster is empty: %1</translation>
    </message>
    <message>
        <source>幸运抽奖：公司活动现场抽奖</source>
        <translation>Lucky Draw: prize draws at company events</translation>
    </message>
    <message>
        <source>界面语言：zh（中文，默认）或 en（英文）。不写时按系统的语言设置。</source>
        <translation>Language of the program: zh (Chinese, the default) or en (English). Without it, the system&apos;s language setting decides.</translation>
    </message>
    <message>
        <source>活动文件夹（含 db/、zp/，可有 system/）。不写时：程序所在文件夹里有活动就用它，否则用上次打开的活动，都没有时提议新建一个。</source>
        <translation>The event folder (holding db/ and zp/, optionally system/). Without it: the event in the program&apos;s own folder if there is one, else the event opened last, else an offer to create one.</translation>
    </message>
    <message>
        <source>无效的员工编号“%1”</source>
        <translation>Invalid participant number “%1”</translation>
    </message>
    <message>
        <source>制表符</source>
        <translation>a tab</translation>
    </message>
    <message>
        <source>控制字符（U+%1）</source>
        <translation>a control character (U+%1)</translation>
    </message>
    <message>
        <source>无法写入照片文件 %1：%2</source>
        <translation>Cannot write the photo file %1: %2</translation>
    </message>
    <message>
        <source>无法读取原照片文件 %1：%2</source>
        <translation>Cannot read the old photo file %1: %2</translation>
    </message>
    <message>
        <source>部门中的%1不能用于照片文件名，请更改部门</source>
        <translation>%1 in the department cannot be used in a photo file name; please change the department</translation>
    </message>
    <message>
        <source>姓名中的%1不能用于照片文件名，请更改姓名</source>
        <translation>%1 in the name cannot be used in a photo file name; please change the name</translation>
    </message>
    <message>
        <source>部门中含有无效的字符，不能用于照片文件名，请更改部门</source>
        <translation>The department holds invalid characters for a photo file name; please change the department</translation>
    </message>
    <message>
        <source>姓名中含有无效的字符，不能用于照片文件名，请更改姓名</source>
        <translation>The name holds invalid characters for a photo file name; please change the name</translation>
    </message>
    <message>
        <source>部门不能以“.”开头：照片文件名会以点开头而成为隐藏文件，请更改部门</source>
        <translation>The department cannot start with “.”: the photo file name would start with a dot and be hidden; please change the department</translation>
    </message>
    <message>
        <source>部门和姓名太长：照片文件名最多 %1 字节，现在是 %2 字节，请缩短姓名或部门</source>
        <translation>Department and name are too long: a photo file name holds at most %1 bytes, this one has %2; please shorten the name or the department</translation>
    </message>
    <message>
        <source>无法写入文件 %1</source>
        <translation>Cannot write the file %1</translation>
    </message>
    <message>
        <source>照片文件不在照片文件夹内</source>
        <translation>The photo file is not inside the photo folder</translation>
    </message>
    <message>
        <source>无法写入照片文件 %1：该位置已被占用</source>
        <translation>Cannot write the photo file %1: the place is taken</translation>
    </message>
    <message>
        <source>无法写入照片文件 %1</source>
        <translation>Cannot write the photo file %1</translation>
    </message>
    <message>
        <source>图片文件 %1 不存在</source>
        <translation>The picture file %1 does not exist</translation>
    </message>
    <message>
        <source>%1 不是普通文件（而是文件夹、管道或设备），不能作为照片导入</source>
        <translation>%1 is not a regular file (but a folder, pipe or device) and cannot be imported as a photo</translation>
    </message>
    <message>
        <source>无法打开图片文件 %1：%2</source>
        <translation>Cannot open the picture file %1: %2</translation>
    </message>
    <message>
        <source>图片文件 %1 太大（%2 字节）</source>
        <translation>The picture file %1 is too large (%2 bytes)</translation>
    </message>
    <message>
        <source>无法读取图片文件 %1：%2</source>
        <translation>Cannot read the picture file %1: %2</translation>
    </message>
    <message>
        <source>%1 %2 太大（%3 × %4 像素），最多接受一亿像素</source>
        <translation>%1 %2 is too large (%3 × %4 pixels); at most one hundred million pixels are accepted</translation>
    </message>
    <message>
        <source>无法打开位图文件 %1</source>
        <translation>Cannot open the bitmap file %1</translation>
    </message>
    <message>
        <source>无法读取位图文件 %1：不是有效的 Windows 位图，或图片太大</source>
        <translation>Cannot read the bitmap file %1: not a valid Windows bitmap, or the picture is too large</translation>
    </message>
    <message>
        <source>位图</source>
        <translation>Bitmap</translation>
    </message>
    <message>
        <source>位图文件 %1 不完整（文件被截断或已损坏）</source>
        <translation>The bitmap file %1 is incomplete (cut short or damaged)</translation>
    </message>
    <message>
        <source>内存不足，无法读取位图文件 %1</source>
        <translation>Out of memory reading the bitmap file %1</translation>
    </message>
    <message>
        <source>无法读取位图文件 %1：%2</source>
        <translation>Cannot read the bitmap file %1: %2</translation>
    </message>
    <message>
        <source>无法读取 PNG 文件 %1：文件已损坏</source>
        <translation>Cannot read the PNG file %1: the file is damaged</translation>
    </message>
    <message>
        <source>PNG 图片</source>
        <translation>PNG picture</translation>
    </message>
    <message>
        <source>无法读取 PNG 文件 %1：%2</source>
        <translation>Cannot read the PNG file %1: %2</translation>
    </message>
    <message>
        <source>照片尺寸无效</source>
        <translation>Invalid photo size</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>基础设置</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>公司名称：</source>
        <translation>Company:</translation>
    </message>
    <message>
        <source>联系人员：</source>
        <translation>Contact:</translation>
    </message>
    <message>
        <source>联系电话：</source>
        <translation>Phone:</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>奖项设置</source>
        <translation>Prize plan</translation>
    </message>
    <message>
        <source>限制</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>不限</source>
        <translation>Any</translation>
    </message>
    <message>
        <source>一等奖：</source>
        <translation>First:</translation>
    </message>
    <message>
        <source>二等奖：</source>
        <translation>Second:</translation>
    </message>
    <message>
        <source>三等奖：</source>
        <translation>Third:</translation>
    </message>
    <message>
        <source>幸运奖：</source>
        <translation>Lucky:</translation>
    </message>
    <message>
        <source>名单列表</source>
        <translation>Roster</translation>
    </message>
    <message>
        <source>部门：</source>
        <translation>Dept.:</translation>
    </message>
    <message>
        <source>姓名：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>照片：</source>
        <translation>Photo:</translation>
    </message>
    <message>
        <source>添加员工</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除员工</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>更新员工</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>清空历史</source>
        <translation>Clear history</translation>
    </message>
    <message>
        <source>清空员工列表</source>
        <translation>Clear roster</translation>
    </message>
    <message>
        <source>清空中奖纪录</source>
        <translation>Clear winners</translation>
    </message>
    <message>
        <source>版本号：20130129</source>
        <translation>Version: 20130129</translation>
    </message>
    <message>
        <source>更新完成</source>
        <translation>Updated</translation>
    </message>
    <message>
        <source>图片文件(*.jpg *.jpeg *.png *.bmp)</source>
        <translation>Pictures (*.jpg *.jpeg *.png *.bmp)</translation>
    </message>
    <message>
        <source>%1的数量“%2”不是 0 到 %3 之间的整数，请重新输入。奖项设置没有保存。</source>
        <translation>The quantity “%2” of %1 is not a whole number from 0 to %3; please enter it again. The prize plan was not saved.</translation>
    </message>
    <message>
        <source>%1的数量为 0。限制名额时，只要有一个奖项的数量为 0，之后抽出的每一位中奖者都不属于任何奖项（计划外），也不会出现在中奖名单上。确定要这样保存吗？</source>
        <translation>The quantity of %1 is 0. With a limited plan, once any prize level has 0 prizes, every winner drawn after that belongs to no prize level (outside the plan) and appears on no winners board. Save it like this?</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>奖项设置有误，请重新设置</source>
        <translation>The prize plan is wrong; please set it again</translation>
    </message>
    <message>
        <source>奖项设置成功</source>
        <translation>Prize plan saved</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>部门</source>
        <translation>Department</translation>
    </message>
    <message>
        <source>姓名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>照片编号</source>
        <translation>Photo</translation>
    </message>
    <message>
        <source>中奖</source>
        <translation>Prize</translation>
    </message>
    <message>
        <source>照片文件名“%1”已被另一位员工使用（部门和姓名连起来与之相同），请更改部门或姓名</source>
        <translation>The photo file name “%1” is used by another participant already (department and name joined give the same); please change the department or the name</translation>
    </message>
    <message>
        <source>请输入完整的信息</source>
        <translation>Please fill in every field</translation>
    </message>
    <message>
        <source>已经有相同科室相同姓名的员工，请更改信息</source>
        <translation>A participant with the same department and name exists already; please change the details</translation>
    </message>
    <message>
        <source>员工添加失败：</source>
        <translation>Adding the participant failed: </translation>
    </message>
    <message>
        <source>添加员工成功</source>
        <translation>Participant added</translation>
    </message>
    <message>
        <source>真的要更新该员工吗？</source>
        <translation>Really update this participant?</translation>
    </message>
    <message>
        <source>已存在同部门同姓名员工，请核对后再更新，本次更新失败。</source>
        <translation>A participant with the same department and name exists already; please check and update again. This update failed.</translation>
    </message>
    <message>
        <source>该员工已不存在</source>
        <translation>This participant no longer exists</translation>
    </message>
    <message>
        <source>员工更新失败</source>
        <translation>Updating the participant failed</translation>
    </message>
    <message>
        <source>员工更新成功</source>
        <translation>Participant updated</translation>
    </message>
    <message>
        <source>请选定需要删除的员工</source>
        <translation>Please select the participant to delete</translation>
    </message>
    <message>
        <source>真的要删除该员工吗？</source>
        <translation>Really delete this participant?</translation>
    </message>
    <message>
        <source>员工删除失败</source>
        <translation>Deleting the participant failed</translation>
    </message>
    <message>
        <source>员工删除成功</source>
        <translation>Participant deleted</translation>
    </message>
    <message>
        <source>真的要清空员工列表吗？</source>
        <translation>Really clear the roster?</translation>
    </message>
    <message>
        <source>员工列表清空</source>
        <translation>Roster cleared</translation>
    </message>
    <message>
        <source>真的要清空中奖记录吗？</source>
        <translation>Really clear the winners?</translation>
    </message>
    <message>
        <source>中奖记录清空</source>
        <translation>Winners cleared</translation>
    </message>
    <message>
        <source>无法打开图片 %1</source>
        <translation>Cannot open the picture %1</translation>
    </message>
    <message>
        <source>图片 %1 无法读取：%2</source>
        <translation>The picture %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>导入名单…</source>
        <translation>Import roster…</translation>
    </message>
    <message>
        <source>导出中奖名单…</source>
        <translation>Export winners…</translation>
    </message>
    <message>
        <source>GIF 图片的画面 %1 像素过大（上限 %2 像素），已拒绝</source>
        <translation>GIF picture refused: its canvas of %1 pixels is too large (at most %2 pixels)</translation>
    </message>
    <message>
        <source>GIF 图片 %1 的画面 %2 像素过大（上限 %3 像素），已拒绝</source>
        <translation>GIF picture %1 refused: its canvas of %2 pixels is too large (at most %3 pixels)</translation>
    </message>
    <message>
        <source>没有可以标记缺席的中奖者</source>
        <translation>There is no winner to mark absent</translation>
    </message>
    <message>
        <source>%1 的中奖记录已经改变，不能标记缺席</source>
        <translation>The record of %1 has changed; it cannot be marked absent</translation>
    </message>
    <message>
        <source>空格  回车  PgDn  →  ↓</source>
        <translation>Space  Enter  PgDn  →  ↓</translation>
    </message>
    <message>
        <source>开始 / 停止抽奖</source>
        <translation>Start / stop the draw</translation>
    </message>
    <message>
        <source>中奖者不在场：标记缺席，下一次停止重抽同一奖项</source>
        <translation>Winner not here: absent, redraw the prize</translation>
    </message>
    <message>
        <source>黑屏 / 恢复</source>
        <translation>Black screen / back</translation>
    </message>
    <message>
        <source>演示模式：放大到整个屏幕</source>
        <translation>Presentation mode: fill the whole screen</translation>
    </message>
    <message>
        <source>移到下一个屏幕</source>
        <translation>Move to the next screen</translation>
    </message>
    <message>
        <source>声音 开 / 关</source>
        <translation>Sound on / off</translation>
    </message>
    <message>
        <source>显示 / 隐藏本说明</source>
        <translation>Show / hide these keys</translation>
    </message>
    <message>
        <source>滚动中：取消本次抽奖，不抽出任何人</source>
        <translation>While rolling: call the draw off, nobody drawn</translation>
    </message>
    <message>
        <source>每次滚动至少持续 MS 毫秒（0 到 60000，默认 1000），过早的停止等到此时才执行；记在活动数据中。</source>
        <translation>Every roll lasts at least MS milliseconds (0 to 60000, 1000 by default); a stop pressed sooner waits for it. Remembered in the event.</translation>
    </message>
    <message>
        <source>最短滚动时间 %1 无效：应为 0 到 60000 之间的毫秒数。</source>
        <translation>Minimum roll %1 is not valid: it must be a number of milliseconds from 0 to 60000.</translation>
    </message>
    <message>
        <source>计划外提示</source>
        <translation>Outside the plan</translation>
    </message>
    <message>
        <source>奖项已全部抽完：再抽一次，中奖者将是计划外（没有奖项）。滚动中按 Esc 取消。</source>
        <translation>Every prize has been drawn: another draw gives a winner outside the plan (no prize). Esc while rolling calls it off.</translation>
    </message>
    <message>
        <source>关闭本说明或黑屏（不会退出程序）</source>
        <translation>Close help or black screen (never quits)</translation>
    </message>
    <message>
        <source>按键</source>
        <translation>Keys</translation>
    </message>
    <message>
        <source>没有第 %1 个屏幕：本机有 %2 个屏幕，编号 1 到 %2。抽奖窗口显示在上次选择的屏幕或主屏幕上。</source>
        <translation>There is no screen %1: this machine has %2 screens, numbered 1 to %2. The draw window shows on the screen chosen last or on the primary screen.</translation>
    </message>
    <message>
        <source>黑屏</source>
        <translation>Black screen</translation>
    </message>
    <message>
        <source>缺席，重新抽取此奖项…</source>
        <translation>Absent, draw this prize again…</translation>
    </message>
    <message>
        <source>计划外奖项</source>
        <translation>Outside the plan</translation>
    </message>
    <message>
        <source>%1  %2 不在现场？

确定后此人记为缺席，不再参加本次抽奖；下一次抽奖将重新抽取%3（第 %4 位）。</source>
        <translation>%1  %2 is not present?

Once confirmed, this person is recorded absent and takes no further part in this draw; the next draw redraws %3 (winner number %4).</translation>
    </message>
    <message>
        <source>（缺席）</source>
        <translation> (absent)</translation>
    </message>
    <message>
        <source>抽奖窗口显示在第 N 个屏幕上（1 为第一个），并记在活动数据中。</source>
        <translation>Show the draw window on screen N (1 is the first), remembered in the event data.</translation>
    </message>
    <message>
        <source>以演示模式开始：抽奖窗口放大到整个屏幕（F11 切换）。</source>
        <translation>Start in presentation mode: the draw window fills the whole screen (F11 switches).</translation>
    </message>
    <message>
        <source>……共 %1 个</source>
        <translation>… %1 in all</translation>
    </message>
    <message>
        <source>%1 没有活动数据库（db/db.mdb）</source>
        <translation>%1 holds no event database (db/db.mdb)</translation>
    </message>
    <message>
        <source>活动打包文件应以 .zip 结尾：%1</source>
        <translation>An event archive must end in .zip: %1</translation>
    </message>
    <message>
        <source>名单中有 %1 位员工的照片文件不在 zp 文件夹中，没有打包：%2。请先补上照片或删除这些员工</source>
        <translation>Photo files missing from the zp folder for participants on the roster (%1): %2. Nothing was packed; please add the photos or delete these participants first</translation>
    </message>
    <message>
        <source>无法创建 %1（错误 %2）</source>
        <translation>Cannot create %1 (error %2)</translation>
    </message>
    <message>
        <source>无法写入 %1：%2：%3</source>
        <translation>Cannot write %1: %2: %3</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>%1 已经有活动数据库，不会覆盖。请换一个空文件夹</source>
        <translation>%1 already holds an event database, which will not be overwritten. Please choose an empty folder</translation>
    </message>
    <message>
        <source>打包文件不存在：%1</source>
        <translation>The event archive does not exist: %1</translation>
    </message>
    <message>
        <source>%1 不是有效的活动打包文件（无法作为 zip 打开）</source>
        <translation>%1 is not a valid event archive (it cannot be opened as a zip)</translation>
    </message>
    <message>
        <source>%1 不是有效的活动打包文件：%2</source>
        <translation>%1 is not a valid event archive: %2</translation>
    </message>
    <message>
        <source>数据库出现了两次</source>
        <translation>the database is in it twice</translation>
    </message>
    <message>
        <source>包含不属于活动的文件“%1”</source>
        <translation>it holds a file that is no part of an event, “%1”</translation>
    </message>
    <message>
        <source>其中没有活动数据库 db/db.mdb</source>
        <translation>it holds no event database db/db.mdb</translation>
    </message>
    <message>
        <source>%1 的 zp 文件夹中已有照片 %2，不会覆盖。请换一个空文件夹</source>
        <translation>The zp folder of %1 already holds the photo %2, which will not be overwritten. Please choose an empty folder</translation>
    </message>
    <message>
        <source>%1 无法解压：%2</source>
        <translation>%1 cannot be unpacked: %2</translation>
    </message>
    <message>
        <source>%1 已损坏：%2</source>
        <translation>%1 is damaged: %2</translation>
    </message>
    <message>
        <source>其中的数据库无法用活动密码打开（%1）</source>
        <translation>its database does not open with the event password (%1)</translation>
    </message>
    <message>
        <source>缺少名单中 %1 位员工的照片：%2</source>
        <translation>photos of participants on its roster are missing (%1): %2</translation>
    </message>
    <message>
        <source>无法在 %1 中创建 db 和 zp 文件夹</source>
        <translation>Cannot create the db and zp folders in %1</translation>
    </message>
    <message>
        <source>无法放置照片 %1</source>
        <translation>Cannot put the photo %1 in place</translation>
    </message>
    <message>
        <source>无法放置活动数据库 %1</source>
        <translation>Cannot put the event database %1 in place</translation>
    </message>
    <message>
        <source>（生成头像卡片）</source>
        <translation>(generated name card)</translation>
    </message>
    <message>
        <source>（无照片）</source>
        <translation>(no photo)</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>拒绝：%1</source>
        <translation>Refused: %1</translation>
    </message>
    <message>
        <source>行</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>照片</source>
        <translation>Photo</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>导入名单 — 预览</source>
        <translation>Import roster — preview</translation>
    </message>
    <message>
        <source>照片文件夹：</source>
        <translation>Photo folder:</translation>
    </message>
    <message>
        <source>选择…</source>
        <translation>Choose…</translation>
    </message>
    <message>
        <source>照片文件夹</source>
        <translation>Photo folder</translation>
    </message>
    <message>
        <source>为没有照片的员工生成写有姓名的头像卡片（否则他们不会被抽到）</source>
        <translation>Generate a card with their name for participants without a photo (otherwise they are never drawn)</translation>
    </message>
    <message>
        <source>只显示被拒绝的行</source>
        <translation>Show refused rows only</translation>
    </message>
    <message>
        <source>导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>被拒绝的行：</source>
        <translation>Refused rows:</translation>
    </message>
    <message>
        <source>导入 %1 人</source>
        <translation>Import (%1)</translation>
    </message>
    <message>
        <source>名单表格 (*.xlsx *.csv *.txt)</source>
        <translation>Roster spreadsheets (*.xlsx *.csv *.txt)</translation>
    </message>
    <message>
        <source>导入名单</source>
        <translation>Import roster</translation>
    </message>
    <message>
        <source>正在取消……</source>
        <translation>Cancelling…</translation>
    </message>
    <message>
        <source>正在写入名单……</source>
        <translation>Writing the roster…</translation>
    </message>
    <message>
        <source>导入已取消，名单和照片文件夹都没有改变</source>
        <translation>Import cancelled: the roster and the photo folder are unchanged</translation>
    </message>
    <message>
        <source>已导入 %1 位员工（%2 张照片）</source>
        <translation>Participants imported: %1 (photos: %2)</translation>
    </message>
    <message>
        <source>已导入 %1 位员工（%2 张照片，%3 张生成的头像卡片）</source>
        <translation>Participants imported: %1 (photos: %2, generated name cards: %3)</translation>
    </message>
    <message>
        <source>已导入 %1 位员工（%2 张照片，%3 人没有照片，加上照片之前不会被抽到）</source>
        <translation>Participants imported: %1 (photos: %2; without a photo, and not drawn until one is added: %3)</translation>
    </message>
    <message>
        <source>Excel 表格 (*.xlsx);;CSV 文件 (*.csv)</source>
        <translation>Excel workbook (*.xlsx);;CSV file (*.csv)</translation>
    </message>
    <message>
        <source>用英文写这个文件吗？标题和奖项名称用英文，部门和姓名照原样写出。
选“否”则用中文的标题和奖项名称，与中文界面导出的文件相同。</source>
        <translation>Write this file in English? Headings and prize names in English; departments and names as they are.
Choose No for Chinese headings and prize names: the same file the Chinese program writes.</translation>
    </message>
    <message>
        <source>已导出 %1 位中奖者到 %2</source>
        <translation>Winners exported to %2: %1</translation>
    </message>
    <message>
        <source>已导出 %1 位员工到 %2</source>
        <translation>Participants exported to %2: %1</translation>
    </message>
    <message>
        <source>照片无法打开：%1（%2）</source>
        <translation>The photo cannot be opened: %1 (%2)</translation>
    </message>
    <message>
        <source>照片不是图片或已损坏：%1</source>
        <translation>The photo is not a picture or is damaged: %1</translation>
    </message>
    <message>
        <source>无法写入照片文件夹 %1：%2</source>
        <translation>Cannot write in the photo folder %1: %2</translation>
    </message>
    <message>
        <source>可以添加：%1 人；拒绝：%2 行</source>
        <translation>To add: %1; refused rows: %2</translation>
    </message>
    <message>
        <source>照片：匹配到 %1 张（照片文件夹 无）</source>
        <translation>Photos matched: %1 (no photo folder)</translation>
    </message>
    <message>
        <source>照片：匹配到 %1 张（照片文件夹 %2）</source>
        <translation>Photos matched: %1 (photo folder %2)</translation>
    </message>
    <message>
        <source>没有照片：%1 人，将为他们生成写有姓名的头像卡片（没有照片的员工不会被抽到）</source>
        <translation>Without a photo: %1; each gets a generated card with their name (participants without a photo are never drawn)</translation>
    </message>
    <message>
        <source>没有照片：%1 人，不生成头像卡片：在设置窗口为他们加上照片之前，他们不会被抽到</source>
        <translation>Without a photo: %1; no cards are generated, so they are not drawn until photos are added in the settings window</translation>
    </message>
    <message>
        <source>  ……另有 %1 行</source>
        <translation>  … more rows: %1</translation>
    </message>
    <message>
        <source>  第 %1 行 %2 %3：%4</source>
        <translation>  Line %1 %2 %3: %4</translation>
    </message>
    <message>
        <source>照片文件夹不存在：%1</source>
        <translation>The photo folder does not exist: %1</translation>
    </message>
    <message>
        <source>名单文件 %1 中没有可导入的行（需要部门和姓名两列）</source>
        <translation>The roster file %1 has no rows to import (a department and a name column are needed)</translation>
    </message>
    <message>
        <source>姓名为空</source>
        <translation>Empty name</translation>
    </message>
    <message>
        <source>部门为空</source>
        <translation>Empty department</translation>
    </message>
    <message>
        <source>名单中已有同部门同姓名的员工</source>
        <translation>A participant with the same department and name is on the roster already</translation>
    </message>
    <message>
        <source>照片文件名与名单中另一位员工相同（部门和姓名连起来相同）</source>
        <translation>The photo file name is that of another participant on the roster (department and name joined give the same)</translation>
    </message>
    <message>
        <source>与第 %1 行重复（同部门同姓名）</source>
        <translation>Same as line %1 (same department and name)</translation>
    </message>
    <message>
        <source>照片文件名与第 %1 行相同（部门和姓名连起来相同）</source>
        <translation>The photo file name is that of line %1 (department and name joined give the same)</translation>
    </message>
    <message>
        <source>照片文件不存在：%1</source>
        <translation>The photo file does not exist: %1</translation>
    </message>
    <message>
        <source>无法创建照片文件夹 %1</source>
        <translation>Cannot create the photo folder %1</translation>
    </message>
    <message>
        <source>照片没有准备好，没有导入任何员工</source>
        <translation>The photos are not ready; no participant was imported</translation>
    </message>
    <message>
        <source>名单在预览之后有了改动：第 %1 行 %2 %3 已在名单中。没有导入任何员工，请重新导入</source>
        <translation>The roster changed after the preview: line %1, %2 %3, is on the roster already. No participant was imported; please import again</translation>
    </message>
    <message>
        <source>照片文件名无效：%1 %2</source>
        <translation>Invalid photo file name: %1 %2</translation>
    </message>
    <message>
        <source>无法读取名单文件 %1：%2</source>
        <translation>Cannot read the roster file %1: %2</translation>
    </message>
    <message>
        <source>表格已损坏（%1 无法解压）</source>
        <translation>the spreadsheet is damaged (%1 cannot be unpacked)</translation>
    </message>
    <message>
        <source>表格已损坏（%1 第 %2 行：%3）</source>
        <translation>the spreadsheet is damaged (%1, line %2: %3)</translation>
    </message>
    <message>
        <source>文件声明为 UTF-8，但内容不是有效的 UTF-8 文本</source>
        <translation>the file says it is UTF-8, but its content is not valid UTF-8 text</translation>
    </message>
    <message>
        <source>文件声明为 UTF-16，但内容不是有效的 UTF-16 文本</source>
        <translation>the file says it is UTF-16, but its content is not valid UTF-16 text</translation>
    </message>
    <message>
        <source>这不是文本文件（请保存为 CSV 或 xlsx 表格）</source>
        <translation>this is not a text file (please save it as a CSV or xlsx spreadsheet)</translation>
    </message>
    <message>
        <source>文件不是 UTF-8 编码，而本机缺少 GB18030 解码器</source>
        <translation>the file is not in UTF-8, and this machine has no GB18030 decoder</translation>
    </message>
    <message>
        <source>文件编码无法识别（既不是 UTF-8，也不是 GBK/GB18030）</source>
        <translation>the encoding of the file is not recognised (neither UTF-8 nor GBK/GB18030)</translation>
    </message>
    <message>
        <source>第 %1 行的引号没有闭合（一个以 &quot; 开始的值直到文件末尾都没有结束）</source>
        <translation>the quote on line %1 is never closed (a value starting with &quot; runs to the end of the file)</translation>
    </message>
    <message>
        <source>内存不足</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>这不是有效的 xlsx 表格（文件已损坏，或是别的格式改了扩展名）</source>
        <translation>this is not a valid xlsx spreadsheet (the file is damaged, or it is another format renamed)</translation>
    </message>
    <message>
        <source>这不是 Excel 工作簿（缺少 xl/workbook.xml）</source>
        <translation>this is not an Excel workbook (xl/workbook.xml is missing)</translation>
    </message>
    <message>
        <source>工作簿里没有工作表</source>
        <translation>the workbook holds no sheet</translation>
    </message>
    <message>
        <source>文件不存在</source>
        <translation>the file does not exist</translation>
    </message>
    <message>
        <source>这不是一个文件</source>
        <translation>this is not a file</translation>
    </message>
    <message>
        <source>文件太大（%1 MB），名单文件最多 %2 MB</source>
        <translation>the file is too large (%1 MB); a roster file holds at most %2 MB</translation>
    </message>
    <message>
        <source>文件是空的</source>
        <translation>the file is empty</translation>
    </message>
    <message>
        <source>无法写入文件 %1：%2</source>
        <translation>Cannot write the file %1: %2</translation>
    </message>
    <message>
        <source>无法创建工作簿</source>
        <translation>the workbook cannot be created</translation>
    </message>
    <message>
        <source>无法替换原文件</source>
        <translation>the existing file cannot be replaced</translation>
    </message>
    <message>
        <source>不支持的文件类型 %1：只能导出为 .xlsx 或 .csv</source>
        <translation>Unsupported file type %1: only .xlsx or .csv can be exported</translation>
    </message>
    <message>
        <source>%1 没有活动数据库，请先运行 eventdb init</source>
        <translation>%1 has no event database; run eventdb init first</translation>
    </message>
    <message>
        <source>%1 的名单里已有 %2 位参与者，演示名单不会加进去。要在现有名单后面添加演示参与者，请加 --append</source>
        <translation>The roster of %1 has participants already (%2), so the demo roster is not added. To add demo participants after them, give --append</translation>
    </message>
    <message>
        <source>无法写入 %1</source>
        <translation>Cannot write %1</translation>
    </message>
    <message>
        <source>%1 在系统目录 /usr 里，活动文件夹不能放在那里</source>
        <translation>%1 is inside the system directory /usr; an event folder cannot be there</translation>
    </message>
    <message>
        <source>确认导入吗？[y/N] </source>
        <translation>Import them? [y/N] </translation>
    </message>
    <message>
        <source>没有可以添加的员工，什么也没有改变</source>
        <translation>No participant can be added; nothing was changed</translation>
    </message>
    <message>
        <source>没有导入，什么也没有改变</source>
        <translation>Not imported; nothing was changed</translation>
    </message>
    <message>
        <source>照片 %1/%2</source>
        <translation>Photos %1/%2</translation>
    </message>
    <message>
        <source>导入已取消，什么也没有改变</source>
        <translation>Import cancelled; nothing was changed</translation>
    </message>
    <message>
        <source>已导入 %1 位员工（%2 张照片，%3 张生成的头像卡片），用时 %4 秒</source>
        <translation>Participants imported: %1 (photos: %2, generated name cards: %3) in %4 s</translation>
    </message>
    <message>
        <source>已打包 %1 位员工、%2 张照片到 %3</source>
        <translation>Packed into %3: participants %1, photos %2</translation>
    </message>
    <message>
        <source>已解包 %1 位员工、%2 张照片到 %3</source>
        <translation>Unpacked into %3: participants %1, photos %2</translation>
    </message>
    <message>
        <source>抽奖正在进行</source>
        <translation>A prize draw is on screen</translation>
    </message>
    <message>
        <source>：其中有本程序不会建立的结构（%1），为防被人改动过，不予打开</source>
        <translation>: it holds something this program never makes (%1); it may have been tampered with and is not opened</translation>
    </message>
    <message>
        <source>多余的触发器 %1</source>
        <translation>an extra trigger %1</translation>
    </message>
    <message>
        <source>多余的视图 %1</source>
        <translation>a view %1</translation>
    </message>
    <message>
        <source>多余的索引 %1</source>
        <translation>an extra index %1</translation>
    </message>
    <message>
        <source>多余的表 %1</source>
        <translation>an extra table %1</translation>
    </message>
    <message>
        <source>多余的对象 %1</source>
        <translation>an extra object %1</translation>
    </message>
    <message>
        <source>被改写的触发器 %1</source>
        <translation>a rewritten trigger %1</translation>
    </message>
    <message>
        <source>被改写的索引 %1</source>
        <translation>a rewritten index %1</translation>
    </message>
    <message>
        <source>被改写的表 %1</source>
        <translation>a rewritten table %1</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>其中有 %1 个条目，超过了 %2 个的上限</source>
        <translation>it holds %1 entries, above the limit of %2</translation>
    </message>
    <message>
        <source>数据库解压后超过 %1 的上限</source>
        <translation>the database unpacked is above the limit of %1</translation>
    </message>
    <message>
        <source>照片 %1 解压后超过 %2 的上限</source>
        <translation>the photo %1 unpacked is above the limit of %2</translation>
    </message>
    <message>
        <source>%1 解压后比记录的大小更大</source>
        <translation>%1 unpacks to more than its recorded size</translation>
    </message>
    <message>
        <source>解压后共超过 %1 的上限</source>
        <translation>everything unpacked is above the limit of %1</translation>
    </message>
    <message>
        <source>名单中没有用到的 %1 张照片没有解包：%2</source>
        <translation>%1 photos the roster does not name were not unpacked: %2</translation>
    </message>
    <message>
        <source>……</source>
        <translation>…</translation>
    </message>
    <message>
        <source>其中的数据库有本程序不会建立的结构（%1），可能被人改动过，不予解包</source>
        <translation>its database holds something this program never makes (%1); it may have been tampered with and is not unpacked</translation>
    </message>
    <message>
        <source>导出名单…</source>
        <translation>Export roster…</translation>
    </message>
    <message>
        <source>%1 万</source>
        <translation>%1 × 10,000</translation>
    </message>
    <message>
        <source>第 %1 行：表格超过 %2 个单元格的上限</source>
        <translation>row %1: the table is over its limit of %2 cells</translation>
    </message>
    <message>
        <source>第 %1 行：表格的文字超过 %2 个字符的上限</source>
        <translation>row %1: the text of the table is over its limit of %2 characters</translation>
    </message>
    <message>
        <source>第 %1 行超过 %2 列的上限</source>
        <translation>row %1 is over the limit of %2 columns</translation>
    </message>
    <message>
        <source>表格超过 %1 行的上限</source>
        <translation>the table is over its limit of %1 rows</translation>
    </message>
    <message>
        <source>第 %1 行超过 %2 个字符的上限</source>
        <translation>row %1 is over the limit of %2 characters</translation>
    </message>
    <message>
        <source>这是旧版 Excel 表格（.xls），请在 Excel 中另存为 .xlsx 后再导入</source>
        <translation>this is an old Excel spreadsheet (.xls); save it as .xlsx in Excel, then import that</translation>
    </message>
    <message>
        <source>%1 解压后超过 %2 MB 的上限</source>
        <translation>%1 unpacks to more than its limit of %2 MB</translation>
    </message>
    <message>
        <source>表格已损坏（%1 含有文档类型声明）</source>
        <translation>the spreadsheet is damaged (%1 holds a document type declaration)</translation>
    </message>
    <message>
        <source>表格已损坏（%1 不是有效的 XML）</source>
        <translation>the spreadsheet is damaged (%1 is not valid XML)</translation>
    </message>
    <message>
        <source>%1 中一个标记超过 64 KB 的上限</source>
        <translation>a tag in %1 is over the limit of 64 KB</translation>
    </message>
    <message>
        <source>%1 中一段内容超过 8 MB 的上限</source>
        <translation>a stretch of content in %1 is over the limit of 8 MB</translation>
    </message>
    <message>
        <source>表格已损坏（%1 的嵌套超过 %2 层）</source>
        <translation>the spreadsheet is damaged (%1 nests deeper than %2 levels)</translation>
    </message>
    <message>
        <source>一个单元格超过 %1 个字符的上限</source>
        <translation>a cell is over the limit of %1 characters</translation>
    </message>
    <message>
        <source>共享字符串超过 %1 个的上限</source>
        <translation>the shared strings are over their limit of %1</translation>
    </message>
    <message>
        <source>共享字符串超过 %1 个字符的上限</source>
        <translation>the shared strings are over their limit of %1 characters</translation>
    </message>
    <message>
        <source>样式超过 %1 个的上限</source>
        <translation>the styles are over their limit of %1</translation>
    </message>
    <message>
        <source>工作表超过 %1 行</source>
        <translation>the sheet has more than %1 rows</translation>
    </message>
    <message>
        <source>工作簿超过 %1 张工作表的上限</source>
        <translation>the workbook is over its limit of %1 sheets</translation>
    </message>
    <message>
        <source>工作簿里没有名为“%1”的工作表（有：%2）</source>
        <translation>the workbook has no sheet named “%1” (it has: %2)</translation>
    </message>
    <message>
        <source>工作簿缺少工作表“%1”的内容</source>
        <translation>the workbook lacks the content of sheet “%1”</translation>
    </message>
    <message>
        <source>工作簿缺少工作表“%1”的内容（%2）</source>
        <translation>the workbook lacks the content of sheet “%1” (%2)</translation>
    </message>
    <message>
        <source>不支持的名单文件 %1：只能导入 .xlsx、.csv 或 .txt 表格</source>
        <translation>Unsupported roster file %1: only .xlsx, .csv or .txt tables can be imported</translation>
    </message>
    <message>
        <source>%1 的元素超过 %2 个的上限</source>
        <translation>%1 is over its limit of %2 elements</translation>
    </message>
    <message>
        <source>无法把活动数据库复制到 %1</source>
        <translation>Cannot copy the event database to %1</translation>
    </message>
    <message>
        <source>：文件已经存在</source>
        <translation>: the file already exists</translation>
    </message>
    <message>
        <source>：无法写入磁盘</source>
        <translation>: cannot write it to the disk</translation>
    </message>
    <message>
        <source>%1 %2（第 %3 位，%4）</source>
        <translation>%1 %2 (draw %3, %4)</translation>
    </message>
    <message>
        <source>计划外</source>
        <translation>outside the plan</translation>
    </message>
    <message>
        <source>另一个程序（例如正在写入的 eventdb）锁定了活动数据库 %1。请等那个程序结束或将它关闭，然后再抽一次。</source>
        <translation>Another program (for example eventdb writing to it) has locked the event database %1. Wait for that program to finish or close it, then draw again.</translation>
    </message>
    <message>
        <source>磁盘空间已满，活动数据库 %1 无法写入。</source>
        <translation>The disk is full: the event database %1 cannot be written.</translation>
    </message>
    <message>
        <source>请在这个磁盘上腾出磁盘空间，然后再抽一次。</source>
        <translation>Free some space on this disk, then draw again.</translation>
    </message>
    <message>
        <source>活动数据库文件 %1 是只读的，不能写入。</source>
        <translation>The event database file %1 is read-only and cannot be written.</translation>
    </message>
    <message>
        <source>请取消这个文件的只读属性，然后再抽一次。</source>
        <translation>Make this file writable, then draw again.</translation>
    </message>
    <message>
        <source>活动数据库所在的文件夹 %1 不允许写入，保存时无法在其中建立日志文件。</source>
        <translation>The folder of the event database, %1, does not allow writing: saving needs to make its journal file there.</translation>
    </message>
    <message>
        <source>请允许写入这个文件夹，然后再抽一次。</source>
        <translation>Allow writing in this folder, then draw again.</translation>
    </message>
    <message>
        <source>活动数据库所在的磁盘是只读挂载的（%1），不能写入。</source>
        <translation>The disk holding the event database is mounted read-only (%1) and cannot be written.</translation>
    </message>
    <message>
        <source>请把活动文件夹复制到可以写入的磁盘上，在那里重新启动程序后再抽奖。</source>
        <translation>Copy the event folder to a disk that can be written, start the program there again, then draw.</translation>
    </message>
    <message>
        <source>请再抽一次；如果仍然失败，请重新启动程序。</source>
        <translation>Draw again; if it still fails, start the program again.</translation>
    </message>
    <message>
        <source>活动数据库没有按写入的内容记录这次中奖：写入的是 %1，数据库中第 %2 位中奖者却是 %3。数据库可能被改动过，请检查后再继续。</source>
        <translation>The event database did not record this win as it was written: %1 was written, but the database holds %3 as winner %2. The database may have been tampered with; check it before going on.</translation>
    </message>
    <message>
        <source>无人</source>
        <translation>nobody</translation>
    </message>
    <message>
        <source>活动数据库中第 %1 位已有中奖者 %2 %3，这次却没有抽出任何人。数据库可能被改动过，请检查后再继续。</source>
        <translation>The event database already holds %2 %3 as winner %1, although this draw picked nobody. The database may have been tampered with; check it before going on.</translation>
    </message>
    <message>
        <source>抽奖日志没有按写入的内容记录这次抽奖（%1）。数据库可能被改动过，请检查后再继续。</source>
        <translation>The draw journal did not record this draw as it was written (%1). The database may have been tampered with; check it before going on.</translation>
    </message>
    <message>
        <source>活动数据库文件 %1 已不在原处（被移动、删除或替换），这次结果没有写进活动。</source>
        <translation>The event database file %1 is no longer where it was (moved, deleted or replaced): this result was not written into the event.</translation>
    </message>
    <message>
        <source>无法写入</source>
        <translation>cannot write it</translation>
    </message>
    <message>
        <source>无法写入磁盘</source>
        <translation>cannot write it to the disk</translation>
    </message>
    <message>
        <source>没有给出镜像文件夹</source>
        <translation>No mirror folder was given</translation>
    </message>
    <message>
        <source>镜像文件夹 %1 不存在，也无法创建</source>
        <translation>The mirror folder %1 does not exist and cannot be made</translation>
    </message>
    <message>
        <source>镜像文件夹不能是活动自己的文件夹 %1</source>
        <translation>The mirror folder cannot be the event&apos;s own folder %1</translation>
    </message>
    <message>
        <source>镜像文件夹 %1 不见了（移动存储被拔出了？）</source>
        <translation>The mirror folder %1 is gone (was the removable drive pulled out?)</translation>
    </message>
    <message>
        <source>无法在镜像文件夹 %1 中创建 db 文件夹</source>
        <translation>Cannot make the db folder in the mirror folder %1</translation>
    </message>
    <message>
        <source>无法在镜像文件夹中放置活动数据库 %1</source>
        <translation>Cannot put the event database in place in the mirror folder: %1</translation>
    </message>
    <message>
        <source>无法写入磁盘：%1</source>
        <translation>Cannot write to the disk: %1</translation>
    </message>
    <message>
        <source>无法改名</source>
        <translation>cannot rename it</translation>
    </message>
    <message>
        <source>镜像提示</source>
        <translation>Mirror notice</translation>
    </message>
    <message>
        <source>镜像文件夹没有更新，抽奖照常进行：%1</source>
        <translation>The mirror folder was not updated; the draw goes on as usual: %1</translation>
    </message>
    <message>
        <source>照片提示</source>
        <translation>Photo notice</translation>
    </message>
    <message>
        <source>中奖者的照片无法显示，已用默认图片代替：%1</source>
        <translation>The winner&apos;s photo cannot be shown; the placeholder stands in: %1</translation>
    </message>
    <message>
        <source>没有照片文件</source>
        <translation>no photo file</translation>
    </message>
    <message>
        <source>照片文件 %1 不存在</source>
        <translation>the photo file %1 does not exist</translation>
    </message>
    <message>
        <source>照片文件 %1 无法显示：%2</source>
        <translation>the photo file %1 cannot be shown: %2</translation>
    </message>
    <message>
        <source>每次抽奖后在后台把活动（数据库和照片）复制到文件夹 DIR（例如 U 盘上），备用电脑可用 luckydraw DIR 接着抽。只对这次运行有效。</source>
        <translation>After every draw, copy the event (database and photos) in the background to the folder DIR (on a USB stick, say); a spare computer goes on with luckydraw DIR. For this run only.</translation>
    </message>
    <message>
        <source>（沿用 zp 中的照片）</source>
        <translation>(the photo already in zp kept)</translation>
    </message>
    <message>
        <source>添加（%1）</source>
        <translation>Add (%1)</translation>
    </message>
    <message>
        <source>正在准备照片：%1 / %2</source>
        <translation>Preparing photos: %1 / %2</translation>
    </message>
    <message>
        <source>照片无法准备：%1</source>
        <translation>The photos cannot be prepared: %1</translation>
    </message>
    <message>
        <source>照片已准备好</source>
        <translation>Photos ready</translation>
    </message>
    <message>
        <source>照片 %1 指向照片文件夹之外，没有使用</source>
        <translation>The photo %1 leads outside the photo folder; not used</translation>
    </message>
    <message>
        <source>照片文件夹 zp 中已有同名文件 %1，它不是图片；为了不覆盖它，这一行没有导入</source>
        <translation>The photo folder zp already holds a file %1 that is not a picture; this row is not imported so that the file is not overwritten</translation>
    </message>
    <message>
        <source>照片文件夹 zp 中已有 %1（名单中没有人用它），保留并用作照片</source>
        <translation>The photo folder zp already holds %1 (no participant uses it); it is kept and used as the photo</translation>
    </message>
    <message>
        <source>照片说明：%1 人</source>
        <translation>Photo notes: %1 participants</translation>
    </message>
    <message>
        <source>（改用头像卡片）</source>
        <translation> (a portrait card instead)</translation>
    </message>
    <message>
        <source>（没有照片）</source>
        <translation> (no photo)</translation>
    </message>
    <message>
        <source>照片文件夹中没有用上的图片：%1 个：%2</source>
        <translation>Pictures in the photo folder that no row used: %1: %2</translation>
    </message>
    <message>
        <source>照片无法转换：%1</source>
        <translation>The photo cannot be converted: %1</translation>
    </message>
    <message>
        <source>照片文件 %1 在预览之后被放进了照片文件夹，没有覆盖它；没有导入任何员工</source>
        <translation>The photo file %1 appeared in the photo folder after the preview and was not overwritten; no participant was imported</translation>
    </message>
    <message>
        <source>（保留原照片）</source>
        <translation>(keeps their photo)</translation>
    </message>
    <message>
        <source>更新（原为 %1 %2）</source>
        <translation>Update (was %1 %2)</translation>
    </message>
    <message>
        <source>不变</source>
        <translation>Unchanged</translation>
    </message>
    <message>
        <source>工作表：</source>
        <translation>Sheet:</translation>
    </message>
    <message>
        <source>添加新员工</source>
        <translation>Add new participants</translation>
    </message>
    <message>
        <source>按工号更新名单（已有的人就地更新，新人添加）</source>
        <translation>Update the roster by employee number (people already in it change in place, new people are added)</translation>
    </message>
    <message>
        <source>移除名单中有、表格中没有的人（中奖者保留）</source>
        <translation>Remove people who are in the roster but not in the sheet (winners stay)</translation>
    </message>
    <message>
        <source>也导入表格中隐藏的行</source>
        <translation>Also import the sheet&apos;s hidden rows</translation>
    </message>
    <message>
        <source>各列的含义</source>
        <translation>What each column holds</translation>
    </message>
    <message>
        <source>按这些列检查</source>
        <translation>Check with these columns</translation>
    </message>
    <message>
        <source>没有认出表头：请为每一列选择含义，然后点“按这些列检查”</source>
        <translation>No header row recognised: choose what each column holds, then click “Check with these columns”</translation>
    </message>
    <message>
        <source>请先确认各列的含义</source>
        <translation>Confirm the columns first</translation>
    </message>
    <message>
        <source>更新名单：添加 %1 人，更新 %2 人，移除 %3 人</source>
        <translation>Update the roster: add %1, update %2, remove %3</translation>
    </message>
    <message>
        <source>名单不需要更新</source>
        <translation>The roster needs no update</translation>
    </message>
    <message>
        <source>请为姓名所在的列选择“姓名”</source>
        <translation>Choose “Name” for the column that holds the names</translation>
    </message>
    <message>
        <source>已更新名单：添加 %1 人，更新 %2 人，移除 %3 人</source>
        <translation>Roster updated: %1 added, %2 updated, %3 removed</translation>
    </message>
    <message>
        <source>%1与本行同部门同姓名（工号 %2 和 %3）：照片文件按部门和姓名命名，两人不能同名。请在其中一人的姓名后加上区分，例如“%4%3”</source>
        <translation>%1 has the same department and name as this row (employee numbers %2 and %3): the photo file is named by department and name, so the two cannot share a name. Add a mark to one of the names, for example “%4%3”</translation>
    </message>
    <message>
        <source>名单文件：%1（没有认出表头：猜测各列为 %2，导入之前请确认每一列的含义）</source>
        <translation>Roster file: %1 (no header row recognised: the columns are guessed as %2; confirm what each column holds before importing)</translation>
    </message>
    <message>
        <source>名单文件：%1（按指定的列：%2）</source>
        <translation>Roster file: %1 (columns as stated: %2)</translation>
    </message>
    <message>
        <source>名单文件：%1（按表头识别列：%2）</source>
        <translation>Roster file: %1 (columns from the header row: %2)</translation>
    </message>
    <message>
        <source>工作表：%1</source>
        <translation>Sheet: %1</translation>
    </message>
    <message>
        <source>按工号更新名单：添加 %1 人，更新 %2 人，不变 %3 人，移除 %4 人；拒绝：%5 行</source>
        <translation>Update by employee number: add %1, update %2, unchanged %3, remove %4; refused: %5 rows</translation>
    </message>
    <message>
        <source>跳过：%1 行（不是员工，见下面的列表）</source>
        <translation>Skipped: %1 rows (no participants, listed below)</translation>
    </message>
    <message>
        <source>将更新的员工：</source>
        <translation>Participants to update:</translation>
    </message>
    <message>
        <source>  第 %1 行 %2 %3 → %4 %5</source>
        <translation>  row %1 %2 %3 → %4 %5</translation>
    </message>
    <message>
        <source>跳过的行：</source>
        <translation>Skipped rows:</translation>
    </message>
    <message>
        <source>  第 %1 行：%2</source>
        <translation>  row %1: %2</translation>
    </message>
    <message>
        <source>名单中有、表格中没有的员工：</source>
        <translation>In the roster but not in the sheet:</translation>
    </message>
    <message>
        <source>将移除</source>
        <translation>will be removed</translation>
    </message>
    <message>
        <source>保留（已中奖，中奖者不会被移除）</source>
        <translation>kept (a winner; winners are never removed)</translation>
    </message>
    <message>
        <source>保留（没有选择移除表格中没有的人）</source>
        <translation>kept (removing people missing from the sheet was not chosen)</translation>
    </message>
    <message>
        <source>  %1 %2（工号 %3）：%4</source>
        <translation>  %1 %2 (employee number %3): %4</translation>
    </message>
    <message>
        <source>名单文件 %1 中没有工作表“%2”（有：%3）</source>
        <translation>The roster file %1 has no sheet “%2” (it has: %3)</translation>
    </message>
    <message>
        <source>名单文件 %1 没有姓名列：请说明哪一列是姓名</source>
        <translation>The roster file %1 has no name column: say which column holds the names</translation>
    </message>
    <message>
        <source>没有姓名和部门</source>
        <translation>no name and no department</translation>
    </message>
    <message>
        <source>与第 %1 行是同一位员工</source>
        <translation>the same participant as row %1</translation>
    </message>
    <message>
        <source>“?”是文件的编码（GBK/GB18030）存不下的字符，原来的字已经丢失：请把表格另存为 UTF-8 的 CSV 或 .xlsx 再导入</source>
        <translation>“?” stands for a character the file&apos;s encoding (GBK/GB18030) could not hold, and the character is lost: save the sheet as a UTF-8 CSV or as .xlsx and import it again</translation>
    </message>
    <message>
        <source>工号 %1 与第 %2 行重复</source>
        <translation>employee number %1 is also in row %2</translation>
    </message>
    <message>
        <source>名单中已有工号 %1（%2 %3）；要按表格更新名单，请选择更新</source>
        <translation>employee number %1 is already in the roster (%2 %3); to update the roster from the sheet, choose update</translation>
    </message>
    <message>
        <source>名单中的员工</source>
        <translation>A participant of the roster</translation>
    </message>
    <message>
        <source>第 %1 行</source>
        <translation>Row %1</translation>
    </message>
    <message>
        <source>无法复制照片 %1，名单没有改变</source>
        <translation>Could not copy the photo %1; the roster has not changed</translation>
    </message>
    <message>
        <source>没有认出表头，各列的含义还没有确认：什么也没有导入。请说明每一列的含义</source>
        <translation>No header row was recognised and the columns have not been confirmed: nothing was imported. Say what each column holds</translation>
    </message>
    <message>
        <source>名单在预览之后有了改动，没有导入任何员工，请重新导入</source>
        <translation>The roster changed after the preview; nothing was imported. Please import again</translation>
    </message>
    <message>
        <source>%1 %2 已经中奖或不在名单中，没有导入任何员工，请重新导入</source>
        <translation>%1 %2 has been drawn or is no longer in the roster; nothing was imported. Please import again</translation>
    </message>
    <message>
        <source>%1 %2 已不在名单中，没有导入任何员工，请重新导入</source>
        <translation>%1 %2 is no longer in the roster; nothing was imported. Please import again</translation>
    </message>
    <message>
        <source>无法把照片改名为 %1：%2。名单没有改变</source>
        <translation>Could not rename the photo to %1: %2. The roster has not changed</translation>
    </message>
    <message>
        <source>工号</source>
        <translation>Employee number</translation>
    </message>
    <message>
        <source>标签</source>
        <translation>Tags</translation>
    </message>
    <message>
        <source>忽略</source>
        <translation>Ignore</translation>
    </message>
    <message>
        <source>--columns 中的“%1”不是列的含义（可用：部门、姓名、工号、照片、标签，- 或空表示忽略该列）</source>
        <translation>“%1” in --columns is not a column meaning (use department, name, id, photo, tags; - or empty ignores a column)</translation>
    </message>
    <message>
        <source>--columns 没有说明哪一列是姓名</source>
        <translation>--columns does not say which column holds the names</translation>
    </message>
    <message>
        <source>表头没有姓名列（应有“姓名”或“name”）：请给姓名列加上表头，或说明每一列的含义</source>
        <translation>The header row has no name column (it should have “name”): give the name column a heading, or say what each column holds</translation>
    </message>
    <message>
        <source>表头上方的标题</source>
        <translation>title above the header row</translation>
    </message>
    <message>
        <source>隐藏的行</source>
        <translation>hidden row</translation>
    </message>
    <message>
        <source>合计行</source>
        <translation>total row</translation>
    </message>
    <message>
        <source>表格下方空行之后的备注（没有像员工的行）</source>
        <translation>notes below the table after blank rows (no row looks like a participant)</translation>
    </message>
    <message>
        <source>--remove-missing 只能与 --update 一起使用</source>
        <translation>--remove-missing works only with --update</translation>
    </message>
    <message>
        <source>没有认出表头，不知道哪一列是姓名、哪一列是部门，什么也没有改变。请用 --columns 说明每一列的含义，例如 --columns 部门,姓名（- 表示忽略该列）</source>
        <translation>No header row recognised, so it is not known which column holds names and which departments; nothing has changed. Use --columns to say what each column holds, for example --columns department,name (- ignores a column)</translation>
    </message>
    <message>
        <source>名单不需要更新，什么也没有改变</source>
        <translation>The roster needs no update; nothing has changed</translation>
    </message>
    <message>
        <source>已更新名单：添加 %1 人，更新 %2 人，移除 %3 人，用时 %4 秒</source>
        <translation>Roster updated: %1 added, %2 updated, %3 removed, in %4 s</translation>
    </message>
    <message>
        <source>各列的含义…</source>
        <translation>Columns…</translation>
    </message>
    <message>
        <source>舞台：观众屏幕显示全屏的抽奖画面</source>
        <translation>Stage: the full-screen view for the hall</translation>
    </message>
    <message>
        <source>舞台上的中奖名单翻到下一页</source>
        <translation>Next page of the winners on the stage</translation>
    </message>
    <message>
        <source>抽奖舞台</source>
        <translation>Lucky draw stage</translation>
    </message>
    <message>
        <source>这已经是彩排</source>
        <translation>This is a rehearsal already</translation>
    </message>
    <message>
        <source>彩排</source>
        <translation>Rehearsal</translation>
    </message>
    <message>
        <source>文件夹 %1 里没有活动（db/db.mdb），无法彩排</source>
        <translation>The folder %1 holds no event (db/db.mdb); there is nothing to rehearse</translation>
    </message>
    <message>
        <source>无法创建彩排用的文件夹 %1</source>
        <translation>Cannot create the rehearsal folder %1</translation>
    </message>
    <message>
        <source>无法为彩排复制活动 %1：%2</source>
        <translation>Cannot copy the event %1 for the rehearsal: %2</translation>
    </message>
    <message>
        <source>无法复制 %1：%2</source>
        <translation>Cannot copy %1: %2</translation>
    </message>
    <message>
        <source>（彩排）</source>
        <translation> (rehearsal)</translation>
    </message>
    <message>
        <source>彩排：在活动的副本上进行整场抽奖，活动本身不会改变；副本在结束时删除。活动可以同时在另一个抽奖程序中打开。</source>
        <translation>Rehearsal: run the whole show on a copy of the event, which leaves the event itself unchanged; the copy is removed at the end. The event may be open in another luckydraw meanwhile.</translation>
    </message>
    <message>
        <source>没有可以彩排的活动：请在命令后写上活动文件夹。</source>
        <translation>No event to rehearse: write the event folder after the command.</translation>
    </message>
    <message>
        <source>彩排不能同时使用 --mirror：镜像的只是彩排的副本，不是活动本身。</source>
        <translation>A rehearsal cannot use --mirror: the mirror would hold the rehearsal&apos;s copy, not the event itself.</translation>
    </message>
    <message>
        <source>彩排…</source>
        <translation>Rehearsal…</translation>
    </message>
    <message>
        <source>彩排在这个活动的副本上进行整场抽奖：抽奖窗口、声音和烟花都和正式抽奖一样，但活动本身的名单、结果和照片都不会改变，彩排结束时副本即被删除。
现在开始彩排吗？</source>
        <translation>A rehearsal runs the whole show on a copy of this event: the draw window, the sound and the fireworks as on the night, but the event&apos;s own roster, results and photos do not change, and the copy is removed when the rehearsal ends.
Start a rehearsal now?</translation>
    </message>
    <message>
        <source>无法启动彩排程序 %1</source>
        <translation>Cannot start the rehearsal program %1</translation>
    </message>
    <message>
        <source>照片 %1 不是 JPEG 图片</source>
        <translation>the photo %1 is not a JPEG picture</translation>
    </message>
    <message>
        <source>%1 的 %2 文件夹中已有照片 %3，不会覆盖。请换一个空文件夹</source>
        <translation>The %2 folder of %1 already holds the photo %3, which will not be overwritten. Please choose an empty folder</translation>
    </message>
    <message>
        <source>无法在 %1 中创建 %2 文件夹</source>
        <translation>Cannot create the %2 folder in %1</translation>
    </message>
    <message>
        <source>第 %1 / %2 页</source>
        <translation>Page %1 / %2</translation>
    </message>
    <message>
        <source>（续）</source>
        <translation> (continued)</translation>
    </message>
    <message>
        <source>缺席</source>
        <translation>ABSENT</translation>
    </message>
    <message>
        <source>光荣榜</source>
        <translation>Roll of Honour</translation>
    </message>
    <message>
        <source>尚无中奖者</source>
        <translation>No winners yet</translation>
    </message>
    <message>
        <source>舞台外观</source>
        <translation>Stage look</translation>
    </message>
    <message>
        <source>舞台外观…</source>
        <translation>Stage look…</translation>
    </message>
    <message>
        <source>底色</source>
        <translation>Base colour</translation>
    </message>
    <message>
        <source>强调色</source>
        <translation>Accent colour</translation>
    </message>
    <message>
        <source>文字颜色</source>
        <translation>Text colour</translation>
    </message>
    <message>
        <source>活动标题</source>
        <translation>Event title</translation>
    </message>
    <message>
        <source>一等奖  1 / 3</source>
        <translation>First prize  1 / 3</translation>
    </message>
    <message>
        <source>张三</source>
        <translation>Zhang San</translation>
    </message>
    <message>
        <source>背景图片…</source>
        <translation>Background…</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>标志…</source>
        <translation>Logo…</translation>
    </message>
    <message>
        <source>恢复默认</source>
        <translation>Restore defaults</translation>
    </message>
    <message>
        <source>标题：</source>
        <translation>Title:</translation>
    </message>
    <message>
        <source>舞台外观中有无法读取的内容，已改用默认：
%1</source>
        <translation>Part of the stage look cannot be read; the default is used instead:
%1</translation>
    </message>
    <message>
        <source>图片文件(*.jpg *.jpeg *.png)</source>
        <translation>Pictures (*.jpg *.jpeg *.png)</translation>
    </message>
    <message>
        <source>图片 %1 已损坏或不完整</source>
        <translation>The picture %1 is damaged or incomplete</translation>
    </message>
    <message>
        <source>无法保存标志图片</source>
        <translation>The logo cannot be saved</translation>
    </message>
    <message>
        <source>%1 不是 JPEG 或 PNG 图片</source>
        <translation>%1 is not a JPEG or PNG picture</translation>
    </message>
    <message>
        <source>图片 %1 的文件太大</source>
        <translation>The file of the picture %1 is too large</translation>
    </message>
    <message>
        <source>背景图片 %1 不是 JPEG 图片</source>
        <translation>The background picture %1 is not a JPEG picture</translation>
    </message>
    <message>
        <source>标志图片 %1 不是 PNG 图片</source>
        <translation>The logo %1 is not a PNG picture</translation>
    </message>
    <message>
        <source>图片 %1 超过 %2 × %3 像素</source>
        <translation>The picture %1 is larger than %2 × %3 pixels</translation>
    </message>
    <message>
        <source>舞台外观中的颜色“%1”无效，改用默认颜色</source>
        <translation>The colour &quot;%1&quot; of the stage look is not valid; the default colour is used</translation>
    </message>
    <message>
        <source>舞台外观无法读取：%1</source>
        <translation>The stage look cannot be read: %1</translation>
    </message>
    <message>
        <source>%1 是一个链接，不予读取</source>
        <translation>%1 is a link and is not read</translation>
    </message>
    <message>
        <source>%1 不是文件夹，舞台外观的图片无法保存</source>
        <translation>%1 is not a folder; the pictures of the stage look cannot be saved</translation>
    </message>
    <message>
        <source>舞台外观的颜色和标题已保存，但图片 %1 无法放置</source>
        <translation>The colours and title of the stage look were saved, but the picture %1 could not be put in place</translation>
    </message>
    <message>
        <source>%1 出现了两次</source>
        <translation>%1 appears twice</translation>
    </message>
    <message>
        <source>舞台图片 %1 解压后超过 %2 的上限</source>
        <translation>The stage picture %1 exceeds the limit of %2 when unpacked</translation>
    </message>
    <message>
        <source>%1 中已有 %2，不会覆盖。请换一个空文件夹</source>
        <translation>%1 already holds %2, which is not overwritten. Please choose an empty folder</translation>
    </message>
    <message>
        <source>%1 不是文件夹，舞台图片无法解包</source>
        <translation>%1 is not a folder; the stage pictures cannot be unpacked</translation>
    </message>
    <message>
        <source>无法读取 %1</source>
        <translation>Cannot read %1</translation>
    </message>
    <message>
        <source>舞台外观的图片无法读取，没有打包（解包后显示默认外观）：%1</source>
        <translation>Pictures of the stage look that cannot be read were not packed (the unpacked event shows the default look): %1</translation>
    </message>
    <message>
        <source>图片 %1 太大（%2 × %3 像素），最多接受 %4 像素</source>
        <translation>The picture %1 is too large (%2 × %3 pixels); at most %4 pixels are accepted</translation>
    </message>
    <message>
        <source>%1（默认）</source>
        <translation>%1 (default)</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>标题：%1</source>
        <translation>Title: %1</translation>
    </message>
    <message>
        <source>底色：%1</source>
        <translation>Base colour: %1</translation>
    </message>
    <message>
        <source>强调色：%1</source>
        <translation>Accent colour: %1</translation>
    </message>
    <message>
        <source>文字颜色：%1</source>
        <translation>Text colour: %1</translation>
    </message>
    <message>
        <source>背景图片：%1</source>
        <translation>Background: %1</translation>
    </message>
    <message>
        <source>内置</source>
        <translation>built-in</translation>
    </message>
    <message>
        <source>标志：%1</source>
        <translation>Logo: %1</translation>
    </message>
    <message>
        <source>无法读取：%1</source>
        <translation>Cannot be read: %1</translation>
    </message>
    <message>
        <source>以舞台开始：观众的屏幕（--screen 所选，两个屏幕时不是操作员的屏幕）显示全屏的抽奖画面，抽奖窗口留在操作员的屏幕上（F10 切换，记在活动数据中）。</source>
        <translation>Start with the stage: the audience&apos;s screen (chosen by --screen; with two screens never the operator&apos;s) shows the draw full-screen, the draw window stays on the operator&apos;s screen (F10 switches; kept with the event).</translation>
    </message>
    <message>
        <source>无法在镜像文件夹 %1 中创建 %2 文件夹</source>
        <translation>Cannot make the %2 folder in the mirror folder %1</translation>
    </message>
    <message>
        <source>无法把 %1 复制到镜像文件夹：%2</source>
        <translation>Cannot copy %1 to the mirror folder: %2</translation>
    </message>
    <message>
        <source>奖项数量至少为 1</source>
        <translation>A prize needs a quantity of at least 1</translation>
    </message>
    <message>
        <source>奖项数量不能小于 0</source>
        <translation>The number of prizes cannot be below 0</translation>
    </message>
    <message>
        <source>每次抽取人数至少为 1</source>
        <translation>At least 1 winner per press</translation>
    </message>
    <message>
        <source>请填写奖项名称</source>
        <translation>Please enter the prize name</translation>
    </message>
    <message>
        <source>“%1”不能用作奖项名称</source>
        <translation>&quot;%1&quot; cannot be used as a prize name</translation>
    </message>
    <message>
        <source>已经有名为“%1”的奖项</source>
        <translation>There is already a prize named &quot;%1&quot;</translation>
    </message>
    <message>
        <source>计划中没有这个奖项</source>
        <translation>The plan has no such prize</translation>
    </message>
    <message>
        <source>计划中没有第 %1 级奖项</source>
        <translation>The plan has no prize of level %1</translation>
    </message>
    <message>
        <source>一等奖到幸运奖不能删除，只能修改数量</source>
        <translation>The first to the lucky prize cannot be removed, only their numbers changed</translation>
    </message>
    <message>
        <source>这个奖项已经有人中奖，不能删除</source>
        <translation>Somebody has won this prize already: it cannot be removed</translation>
    </message>
    <message>
        <source>仅限部门：%1</source>
        <translation>Only departments: %1</translation>
    </message>
    <message>
        <source>不含部门：%1</source>
        <translation>Not departments: %1</translation>
    </message>
    <message>
        <source>仅限标签：%1</source>
        <translation>Tags only: %1</translation>
    </message>
    <message>
        <source>不含标签：%1</source>
        <translation>Not tags: %1</translation>
    </message>
    <message>
        <source>另有 %1 人不参加</source>
        <translation>%1 more people excluded</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>奖项规则中的 %1 不是列表</source>
        <translation>%1 in the prize rule is not a list</translation>
    </message>
    <message>
        <source>奖项规则中的 %1 含有不是文字的项</source>
        <translation>%1 in the prize rule holds an item that is not text</translation>
    </message>
    <message>
        <source>奖项规则无法读取：%1</source>
        <translation>The prize rule cannot be read: %1</translation>
    </message>
    <message>
        <source>奖项规则中有一位不参加的人既没有工号也没有姓名</source>
        <translation>A person excluded by the prize rule has neither an employee number nor a name</translation>
    </message>
    <message>
        <source>第 %1 行既不是一个工号，也不是“部门,姓名”：%2</source>
        <translation>Line %1 is neither an employee number nor &quot;department,name&quot;: %2</translation>
    </message>
    <message>
        <source>抽中的员工已不在待抽名单中</source>
        <translation>A picked participant is no longer among those to draw</translation>
    </message>
    <message>
        <source>%1 已不是最近一次抽出的中奖者，不能再标记缺席</source>
        <translation>%1 is no longer among the latest winners and can no longer be marked absent</translation>
    </message>
    <message>
        <source>%1 / %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <source>抽奖控制台</source>
        <translation>Draw console</translation>
    </message>
    <message>
        <source>作废</source>
        <translation>voided</translation>
    </message>
    <message>
        <source>奖项（点击或按数字键选择下一次抽取的奖项）</source>
        <translation>Prizes (click one or press its number to draw it next)</translation>
    </message>
    <message>
        <source>键</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>奖项 / 规则</source>
        <translation>Prize / rule</translation>
    </message>
    <message>
        <source>已抽</source>
        <translation>Drawn</translation>
    </message>
    <message>
        <source>可抽</source>
        <translation>Can win</translation>
    </message>
    <message>
        <source>按顺序（0）</source>
        <translation>In order (0)</translation>
    </message>
    <message>
        <source>最近一次抽出（点击姓名标记缺席）</source>
        <translation>Latest draw (click a name to mark them absent)</translation>
    </message>
    <message>
        <source>全部中奖者（最新在前）</source>
        <translation>All winners (newest first)</translation>
    </message>
    <message>
        <source>顺序</source>
        <translation>Order</translation>
    </message>
    <message>
        <source>奖项</source>
        <translation>Prize</translation>
    </message>
    <message>
        <source>放弃领奖</source>
        <translation>Declined the prize</translation>
    </message>
    <message>
        <source>不符合资格</source>
        <translation>Not eligible</translation>
    </message>
    <message>
        <source>选择或填写原因（必填）</source>
        <translation>Choose or type a reason (required)</translation>
    </message>
    <message>
        <source>确定作废</source>
        <translation>Void the win</translation>
    </message>
    <message>
        <source>作废…</source>
        <translation>Void…</translation>
    </message>
    <message>
        <source>添加奖项…</source>
        <translation>Add prize…</translation>
    </message>
    <message>
        <source>无法读取活动：%1</source>
        <translation>Cannot read the event: %1</translation>
    </message>
    <message>
        <source>所有人</source>
        <translation>Everyone</translation>
    </message>
    <message>
        <source>每次 %1 人</source>
        <translation>%1 per draw</translation>
    </message>
    <message>
        <source>奖项已全部抽完：下一次抽出的是计划外。</source>
        <translation>Every prize is drawn: the next winner is outside the plan.</translation>
    </message>
    <message>
        <source>下一次抽取：%1（已选）</source>
        <translation>Next draw: %1 (chosen)</translation>
    </message>
    <message>
        <source>下一次抽取：%1</source>
        <translation>Next draw: %1</translation>
    </message>
    <message>
        <source>奖项数量不限，没有可以选择的奖项</source>
        <translation>Prize quantities are unlimited: there is no prize to choose</translation>
    </message>
    <message>
        <source>没有编号为 %1 的奖项</source>
        <translation>No prize has the number %1</translation>
    </message>
    <message>
        <source>滚动中不能更换奖项：先停止或取消本次抽奖</source>
        <translation>The prize cannot change while the photos roll: stop or cancel this draw first</translation>
    </message>
    <message>
        <source>%1 已全部抽完</source>
        <translation>%1 is all drawn</translation>
    </message>
    <message>
        <source>第 %1 位  %2  %3</source>
        <translation>No. %1  %2  %3</translation>
    </message>
    <message>
        <source>（补抽）</source>
        <translation> (replacement)</translation>
    </message>
    <message>
        <source>滚动中不能标记缺席</source>
        <translation>Nobody can be marked absent while the photos roll</translation>
    </message>
    <message>
        <source>作废 %1  %2 的中奖（%3，第 %4 位）：这个奖项将再抽一人。原因：</source>
        <translation>Void the win of %1  %2 (%3, no. %4): this prize will be drawn once more. Reason:</translation>
    </message>
    <message>
        <source>请写明作废的原因</source>
        <translation>Please give the reason for voiding the win</translation>
    </message>
    <message>
        <source>%1 的中奖记录已经改变，不能作废</source>
        <translation>The win of %1 has changed and cannot be voided</translation>
    </message>
    <message>
        <source>……共 %1 人</source>
        <translation>… %1 in all</translation>
    </message>
    <message>
        <source>可抽 %1 / %2</source>
        <translation>Pool %1 / %2</translation>
    </message>
    <message>
        <source>修改奖项：%1</source>
        <translation>Change prize: %1</translation>
    </message>
    <message>
        <source>添加奖项</source>
        <translation>Add a prize</translation>
    </message>
    <message>
        <source>例如：特别奖</source>
        <translation>e.g. Special prize</translation>
    </message>
    <message>
        <source>奖项名称：</source>
        <translation>Prize name:</translation>
    </message>
    <message>
        <source>数量：</source>
        <translation>Quantity:</translation>
    </message>
    <message>
        <source>每次抽取人数：</source>
        <translation>Winners per press:</translation>
    </message>
    <message>
        <source>放在%1之前</source>
        <translation>Before %1</translation>
    </message>
    <message>
        <source>放在最后</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>抽奖次序：</source>
        <translation>Drawn:</translation>
    </message>
    <message>
        <source>谁可以中这个奖</source>
        <translation>Who may win this prize</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>每次抽取人数 %1 大于数量 %2：这个奖项一共只有 %2 人，请改为 1 到 %2 之间的数</source>
        <translation>%1 winners per press is more than the quantity %2: this prize has only %2 winners in all; please enter a number from 1 to %2</translation>
    </message>
    <message>
        <source>不参加的人：%1</source>
        <translation>People kept out: %1</translation>
    </message>
    <message>
        <source>规则：%1</source>
        <translation>Rule: %1</translation>
    </message>
    <message>
        <source>可抽人数无法读取</source>
        <translation>The pool cannot be counted</translation>
    </message>
    <message>
        <source>奖项没有保存：%1</source>
        <translation>The prize was not saved: %1</translation>
    </message>
    <message>
        <source>奖项规则</source>
        <translation>Prize rules</translation>
    </message>
    <message>
        <source>次序</source>
        <translation>Order</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>Quantity</translation>
    </message>
    <message>
        <source>每次抽取人数</source>
        <translation>Per press</translation>
    </message>
    <message>
        <source>规则</source>
        <translation>Rule</translation>
    </message>
    <message>
        <source>奖池</source>
        <translation>Pool</translation>
    </message>
    <message>
        <source>已中奖</source>
        <translation>Won</translation>
    </message>
    <message>
        <source>修改…</source>
        <translation>Change…</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>奖项数量现在不限，抽奖不按奖项进行。要修改或添加奖项，请先在设置窗口的“奖项设置”中选择“限制”并点“更新”。</source>
        <translation>The plan is unlimited now, so the draw does not follow the prizes. To change or add prizes, first choose “Limited” under “Prize plan” in the settings window and press “Update”.</translation>
    </message>
    <message>
        <source>%1的数量为 0：只要有一个奖项的数量为 0，抽出的中奖者都记为计划外。</source>
        <translation>%1 has a quantity of 0: while any prize has a quantity of 0, every winner drawn is recorded outside the plan.</translation>
    </message>
    <message>
        <source>这个奖项已经不在计划中</source>
        <translation>This prize is no longer in the plan</translation>
    </message>
    <message>
        <source>“%1”已经有 %2 人中奖，不能删除</source>
        <translation>“%1” has %2 winner(s) already and cannot be removed</translation>
    </message>
    <message>
        <source>删除奖项“%1”吗？</source>
        <translation>Remove the prize “%1”?</translation>
    </message>
    <message>
        <source>奖项没有删除：%1</source>
        <translation>The prize was not removed: %1</translation>
    </message>
    <message>
        <source>%1（名单中已没有）</source>
        <translation>%1 (no longer in the roster)</translation>
    </message>
    <message>
        <source>文件超过 1 MB，不像是一份名单</source>
        <translation>the file is larger than 1 MB, which is no list of people</translation>
    </message>
    <message>
        <source>这不是文本文件</source>
        <translation>this is not a text file</translation>
    </message>
    <message>
        <source>仅限这些部门（都不选：所有部门）</source>
        <translation>Only these departments (none ticked: all departments)</translation>
    </message>
    <message>
        <source>不含这些部门</source>
        <translation>Not these departments</translation>
    </message>
    <message>
        <source>仅限有这些标签的人（都不选：不看标签）</source>
        <translation>Only people with one of these tags (none ticked: tags do not matter)</translation>
    </message>
    <message>
        <source>不含有这些标签的人</source>
        <translation>Not people with any of these tags</translation>
    </message>
    <message>
        <source>（名单中没有部门）</source>
        <translation>(no departments in the roster)</translation>
    </message>
    <message>
        <source>（名单中没有标签）</source>
        <translation>(no tags in the roster)</translation>
    </message>
    <message>
        <source>不参加的人：每行一个工号，或“部门,姓名”</source>
        <translation>People kept out: one per line, an employee number or “department,name”</translation>
    </message>
    <message>
        <source>从文件读取…</source>
        <translation>Read from file…</translation>
    </message>
    <message>
        <source>名单文件(*.txt *.csv)</source>
        <translation>Lists of people (*.txt *.csv)</translation>
    </message>
    <message>
        <source>%1 没有读入：%2</source>
        <translation>%1 was not read: %2</translation>
    </message>
    <message>
        <source>%1 中没有列出任何人</source>
        <translation>%1 lists nobody</translation>
    </message>
    <message>
        <source>%1 应为整数：%2</source>
        <translation>%1 must be a whole number: %2</translation>
    </message>
    <message>
        <source>无法读取 %1：%2</source>
        <translation>Cannot read %1: %2</translation>
    </message>
    <message>
        <source>%1 不是 UTF-8 文本</source>
        <translation>%1 is not UTF-8 text</translation>
    </message>
    <message>
        <source>未知的参数：%1</source>
        <translation>Unknown argument: %1</translation>
    </message>
    <message>
        <source>%1 后面缺少值</source>
        <translation>%1 needs a value</translation>
    </message>
    <message>
        <source>不限数量：不按奖项计划抽奖，抽出的中奖者记为计划外</source>
        <translation>Not limited: the prize plan does not apply, winners are drawn outside the plan</translation>
    </message>
    <message>
        <source>限制数量：按奖项计划抽奖</source>
        <translation>Limited: winners are drawn by the prize plan</translation>
    </message>
    <message>
        <source>限制数量，但%1的数量为 0：奖项计划不生效</source>
        <translation>Limited, but the quantity of %1 is 0: the prize plan does not apply</translation>
    </message>
    <message>
        <source>抽奖控制台：选择奖项、标记缺席、作废中奖</source>
        <translation>Draw console: choose the prize, mark absences, void wins</translation>
    </message>
    <message>
        <source>下一次抽取该编号的奖项 / 恢复按顺序抽取</source>
        <translation>Draw the prize with this number next / back to the usual order</translation>
    </message>
    <message>
        <source>奖项提示</source>
        <translation>Prize notice</translation>
    </message>
    <message>
        <source>抽奖控制台…（F9）</source>
        <translation>Draw console… (F9)</translation>
    </message>
    <message>
        <source>奖项规则…</source>
        <translation>Prize rules…</translation>
    </message>
    <message>
        <source>这个奖项的规则无法读取，请重新设置规则后再保存</source>
        <translation>This prize&apos;s rule cannot be read: set the rule again, then save</translation>
    </message>
    <message>
        <source>规则无法读取，无人可抽</source>
        <translation>The rule cannot be read: nobody may win</translation>
    </message>
    <message>
        <source>奖项计划没有生效（数量不限，或有奖项数量为 0）：每次抽出的都是计划外。</source>
        <translation>The prize plan does not apply (unlimited, or a prize with a quantity of 0): every winner is outside the plan.</translation>
    </message>
    <message>
        <source>端口 %1 已被其他程序占用，请换一个端口或先关闭占用它的程序。</source>
        <translation>Port %1 is already in use by another program. Choose another port or close the program using it.</translation>
    </message>
    <message>
        <source>本机没有地址 %1，请重新选择网络接口。</source>
        <translation>This computer has no address %1. Choose the network interface again.</translation>
    </message>
    <message>
        <source>端口 %1 需要管理员权限，请使用 1024 以上的端口。</source>
        <translation>Port %1 needs administrator rights. Use a port above 1024.</translation>
    </message>
    <message>
        <source>无法在 %1 端口 %2 上启动网页服务：%3</source>
        <translation>Cannot start the web service on %1 port %2: %3</translation>
    </message>
    <message>
        <source>网页服务的地址无效：%1</source>
        <translation>The web service address is not valid: %1</translation>
    </message>
    <message>
        <source>网页服务无法启动（端口 %1）。</source>
        <translation>The web service cannot start (port %1).</translation>
    </message>
    <message>
        <source>网页服务已停止。</source>
        <translation>The web service has stopped.</translation>
    </message>
    <message>
        <source>仅限已签到</source>
        <translation>Only those who checked in</translation>
    </message>
    <message>
        <source>奖项规则中的 checkedIn 不是真假值</source>
        <translation>checkedIn in the prize rule is not true or false</translation>
    </message>
    <message>
        <source>无法生成二维码：内容太长（%1 字节）</source>
        <translation>Cannot make the QR code: the text is too long (%1 bytes)</translation>
    </message>
    <message>
        <source>二维码已过期</source>
        <translation>QR code expired</translation>
    </message>
    <message>
        <source>二维码已过期，请重新扫描舞台上的二维码。舞台上的二维码每分钟更换一次，只有在会场里才能签到。</source>
        <translation>The QR code has expired: please scan the QR code on the stage again. It changes every minute, so check-in works only in the hall.</translation>
    </message>
    <message>
        <source>请稍后再试</source>
        <translation>Please try again later</translation>
    </message>
    <message>
        <source>暂时无法读取活动数据，请稍后再试，或找工作人员。</source>
        <translation>The event&apos;s data cannot be read just now. Please try again later, or ask the staff.</translation>
    </message>
    <message>
        <source>签到码无法生成，网页服务没有启动：%1</source>
        <translation>The check-in codes could not be issued, so the web service was not started: %1</translation>
    </message>
    <message>
        <source>无法签到</source>
        <translation>Check-in not possible</translation>
    </message>
    <message>
        <source>这个页面已失效，请重新扫描舞台上的二维码。</source>
        <translation>This page is no longer valid. Please scan the QR code on the stage again.</translation>
    </message>
    <message>
        <source>尝试次数太多，请在 %1 秒后再试。</source>
        <translation>Too many attempts. Please try again in %1 seconds.</translation>
    </message>
    <message>
        <source>工号或签到码不对</source>
        <translation>The employee number or check-in code is wrong</translation>
    </message>
    <message>
        <source>签到码不对</source>
        <translation>The check-in code is wrong</translation>
    </message>
    <message>
        <source>你已在另一部手机上签到，不能再用这部手机签到。如有疑问，请找工作人员。</source>
        <translation>You have already checked in on another phone and cannot check in with this one. If this is not right, please ask the staff.</translation>
    </message>
    <message>
        <source>签到成功</source>
        <translation>Checked in</translation>
    </message>
    <message>
        <source>你已签到</source>
        <translation>You are checked in</translation>
    </message>
    <message>
        <source>%1，签到成功</source>
        <translation>%1, you are checked in</translation>
    </message>
    <message>
        <source>%1，你已签到</source>
        <translation>%1, you are already checked in</translation>
    </message>
    <message>
        <source>查看中奖名单</source>
        <translation>See the winners</translation>
    </message>
    <message>
        <source>签到</source>
        <translation>Check in</translation>
    </message>
    <message>
        <source>签到码</source>
        <translation>Check-in code</translation>
    </message>
    <message>
        <source>签到码在公司发给你的通知里。</source>
        <translation>Your check-in code is in the notice the company sent you.</translation>
    </message>
    <message>
        <source>中奖名单</source>
        <translation>Winners</translation>
    </message>
    <message>
        <source>恭喜你中了%1！</source>
        <translation>Congratulations, you won %1!</translation>
    </message>
    <message>
        <source>还没有抽到你</source>
        <translation>You have not been drawn yet</translation>
    </message>
    <message>
        <source>还没有人中奖</source>
        <translation>No winners yet</translation>
    </message>
    <message>
        <source>仅限已签到的人</source>
        <translation>Only people who checked in</translation>
    </message>
    <message>
        <source>签到网址应以 http:// 或 https:// 开头并带有主机名：%1</source>
        <translation>The check-in address must start with http:// or https:// and name a host: %1</translation>
    </message>
    <message>
        <source>签到网址不能带有 ? 或 # 后面的部分：%1</source>
        <translation>The check-in address cannot have a part after ? or #: %1</translation>
    </message>
    <message>
        <source>名单中没有参与者，没有邀请卡可写</source>
        <translation>The roster has no participants: there are no invitation cards to write</translation>
    </message>
    <message>
        <source>签到码只能写成 .xlsx 或 .csv 文件：%1</source>
        <translation>Check-in codes can only be written to an .xlsx or .csv file: %1</translation>
    </message>
    <message>
        <source>--cards 需要 --url 给出签到页面的网址，例如 --url http://192.168.1.10:8080</source>
        <translation>--cards needs --url with the address of the check-in page, for example --url http://192.168.1.10:8080</translation>
    </message>
    <message>
        <source>--url 只用于 --cards 的邀请卡</source>
        <translation>--url is only used for the invitation cards of --cards</translation>
    </message>
    <message>
        <source>已写出 %1 张邀请卡（%2 页）到 %3</source>
        <translation>Wrote %1 invitation cards (%2 pages) to %3</translation>
    </message>
    <message>
        <source>已写出 %1 人的签到码到 %2（新发 %3 个）</source>
        <translation>Wrote the check-in codes of %1 people to %2 (%3 newly issued)</translation>
    </message>
    <message>
        <source>已删除 %1 位参与者</source>
        <translation>Deleted %1 participants</translation>
    </message>
    <message>
        <source>保留 %1 位中奖者的姓名、部门、奖项和中奖顺序；他们的照片、工号、标签、签到码和签到记录已删除</source>
        <translation>Kept the name, department, prize and draw order of %1 winners; their photos, employee numbers, tags, check-in codes and check-ins are deleted</translation>
    </message>
    <message>
        <source>名单中的姓名、部门、照片、工号、标签、签到码和签到记录已全部删除</source>
        <translation>Every name, department, photo, employee number, tag, check-in code and check-in of the roster is deleted</translation>
    </message>
    <message>
        <source>抽奖记录中 %1 行的姓名、部门或工号已清空</source>
        <translation>Cleared the name, department or employee number of %1 journal rows</translation>
    </message>
    <message>
        <source>%1 个奖项规则中不参加的人已清空</source>
        <translation>Cleared the people kept out in %1 prize rules</translation>
    </message>
    <message>
        <source>联系人和联系电话已清空</source>
        <translation>Cleared the contact person and contact phone</translation>
    </message>
    <message>
        <source>数据库已重建，删除的内容不再留在文件中</source>
        <translation>The database was rebuilt: nothing deleted stays in the file</translation>
    </message>
    <message>
        <source>已删除 zp/ 中的 %1 个文件（照片）</source>
        <translation>Deleted %1 files in zp/ (photos)</translation>
    </message>
    <message>
        <source>已删除 %1/ 中的 %2 个文件（照片的清晰副本）</source>
        <translation>Deleted %2 files in %1/ (the photos&apos; sharper copies)</translation>
    </message>
    <message>
        <source>已删除 db/ 中数据库以外的 %1 个文件</source>
        <translation>Deleted %1 files in db/ besides the database</translation>
    </message>
    <message>
        <source>已删除中断的写入留下的 %1 个临时文件</source>
        <translation>Deleted %1 scratch files left by interrupted writes</translation>
    </message>
    <message>
        <source>提醒：镜像文件夹（--mirror）、打包的 .zip 和导出的表格不在活动文件夹里，请另行删除</source>
        <translation>Note: mirror folders (--mirror), packed .zip archives and exported tables are outside the event folder; delete them separately</translation>
    </message>
    <message>
        <source>无法删除：%1</source>
        <translation>Could not delete: %1</translation>
    </message>
    <message>
        <source>所有网络（0.0.0.0）</source>
        <translation>All networks (0.0.0.0)</translation>
    </message>
    <message>
        <source>仅本机（127.0.0.1）</source>
        <translation>This computer only (127.0.0.1)</translation>
    </message>
    <message>
        <source>手机签到</source>
        <translation>Phone check-in</translation>
    </message>
    <message>
        <source>手机签到的网页服务</source>
        <translation>Web server for phone check-in</translation>
    </message>
    <message>
        <source>网络：</source>
        <translation>Network:</translation>
    </message>
    <message>
        <source>端口：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>手工签到（工号或姓名）</source>
        <translation>Check in by hand (employee number or name)</translation>
    </message>
    <message>
        <source>查找</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>签到时间</source>
        <translation>Checked in at</translation>
    </message>
    <message>
        <source>被拒绝的签到（已从另一部手机签到）</source>
        <translation>Refused check-ins (already checked in from another phone)</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>开启</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>运行中。签到（舞台上的二维码，每分钟更换）：%1
中奖名单：%2</source>
        <translation>Running. Check-in (the QR code on the stage, new every minute): %1
Winners: %2</translation>
    </message>
    <message>
        <source>未开启。手机需与本机在同一网络（见说明）。</source>
        <translation>Not started. Phones must be on the same network as this computer (see the README).</translation>
    </message>
    <message>
        <source>已签到 %1 / %2</source>
        <translation>Checked in %1 / %2</translation>
    </message>
    <message>
        <source>%1 已签到</source>
        <translation>%1 is checked in</translation>
    </message>
    <message>
        <source>%1 此前已签到（%2）</source>
        <translation>%1 had checked in already (%2)</translation>
    </message>
    <message>
        <source>名单中已没有此人</source>
        <translation>This person is no longer in the roster</translation>
    </message>
    <message>
        <source>手机签到…</source>
        <translation>Phone check-in…</translation>
    </message>
    <message>
        <source>开启手机签到和中奖名单的网页服务，监听端口 PORT；可写成 ADDRESS:PORT 只在一个网络接口上监听（默认所有接口）。舞台显示签到二维码。只对这次运行有效。</source>
        <translation>Starts the web server for phone check-in and the live winners list on port PORT; write ADDRESS:PORT to listen on one network interface only (all of them by default). The stage shows the check-in QR code. For this run only.</translation>
    </message>
    <message>
        <source>--web 要写端口（1 到 65535），或“地址:端口”：%1</source>
        <translation>--web needs a port (1 to 65535) or &quot;address:port&quot;: %1</translation>
    </message>
    <message>
        <source>扫码签到</source>
        <translation>Scan to check in</translation>
    </message>
    <message>
        <source>无法读取邀请函</source>
        <translation>Cannot read the invitation</translation>
    </message>
    <message>
        <source>这个链接不完整。请扫描舞台上的二维码，输入工号和签到码。</source>
        <translation>This link is incomplete. Scan the QR code on the stage and enter your employee number and check-in code.</translation>
    </message>
    <message>
        <source>邀请函已读取</source>
        <translation>Invitation read</translation>
    </message>
    <message>
        <source>请再扫描舞台上的二维码完成签到：工号和签到码会自动填好。</source>
        <translation>Now scan the QR code on the stage to check in: your employee number and code will be filled in.</translation>
    </message>
    <message>
        <source>活动数据库中的封存记录不完整或已损坏，不能按封存抽奖</source>
        <translation>The seal kept in the event database is incomplete or damaged: no sealed draw is possible</translation>
    </message>
    <message>
        <source>抽奖已经封存，不能再封存一次</source>
        <translation>The draw is sealed already and cannot be sealed again</translation>
    </message>
    <message>
        <source>已有中奖、缺席或作废的记录，不能再封存；请先清除抽奖结果</source>
        <translation>There are winners, absences or voided wins already, so the draw cannot be sealed; clear the results first</translation>
    </message>
    <message>
        <source>封存没有写进抽奖记录</source>
        <translation>The seal did not reach the draw journal</translation>
    </message>
    <message>
        <source>抽奖没有封存，不需要公开随机数</source>
        <translation>The draw is not sealed and needs no public entropy</translation>
    </message>
    <message>
        <source>公开随机数已经输入过（%1），不能更改</source>
        <translation>The public entropy was given already (%1) and cannot be changed</translation>
    </message>
    <message>
        <source>公开随机数不能为空</source>
        <translation>The public entropy cannot be empty</translation>
    </message>
    <message>
        <source>封存后已经抽过奖，不能再输入公开随机数</source>
        <translation>There were stops after the seal: the public entropy can no longer be given</translation>
    </message>
    <message>
        <source>抽奖没有封存，无从解除</source>
        <translation>The draw is not sealed: there is no seal to break</translation>
    </message>
    <message>
        <source>请写明解除封存的原因</source>
        <translation>Please give the reason for breaking the seal</translation>
    </message>
    <message>
        <source>解除封存没有写进抽奖记录</source>
        <translation>Breaking the seal did not reach the draw journal</translation>
    </message>
    <message>
        <source>抽奖已经封存，奖项只能按计划的顺序抽出，不能另选</source>
        <translation>The draw is sealed: the prizes are drawn in the plan&apos;s order and none can be chosen out of turn</translation>
    </message>
    <message>
        <source>这个活动的抽奖没有封存</source>
        <translation>This event&apos;s draw is not sealed</translation>
    </message>
    <message>
        <source>还没有输入公开随机数：在那之前公开密钥，就能预先算出中奖者</source>
        <translation>The public entropy has not been given yet: publishing the secret before it would let anyone compute the winners in advance</translation>
    </message>
    <message>
        <source>证明文件不是有效的 JSON：%1（第 %2 个字符）</source>
        <translation>The proof file is not valid JSON: %1 (at character %2)</translation>
    </message>
    <message>
        <source>证明文件的格式不是 %1</source>
        <translation>The proof file&apos;s format is not %1</translation>
    </message>
    <message>
        <source>证明文件缺少文本项 %1</source>
        <translation>The proof file lacks the text item %1</translation>
    </message>
    <message>
        <source>证明文件缺少步骤列表 steps</source>
        <translation>The proof file lacks the list of steps</translation>
    </message>
    <message>
        <source>证明文件中步骤的 %1 不是整数</source>
        <translation>A step&apos;s %1 in the proof file is not a whole number</translation>
    </message>
    <message>
        <source>证明文件中有步骤缺少序号 seq</source>
        <translation>A step in the proof file has no number (seq)</translation>
    </message>
    <message>
        <source>封存在这一步被解除：%1</source>
        <translation>the seal was broken at this step: %1</translation>
    </message>
    <message>
        <source>封存后有改动（%1），封存的内容已不是抽奖所用的</source>
        <translation>a change after the seal (%1): what was sealed is no longer what the draw used</translation>
    </message>
    <message>
        <source>第 %1 步重算出的中奖者与记录的不同</source>
        <translation>the replayed winner of step %1 differs from the recorded one</translation>
    </message>
    <message>
        <source>封存文本第 %1 行有无效的转义</source>
        <translation>Line %1 of the sealed text has an invalid escape</translation>
    </message>
    <message>
        <source>封存文本不是有效的 UTF-8</source>
        <translation>The sealed text is not valid UTF-8</translation>
    </message>
    <message>
        <source>封存文本的最后一行没有换行</source>
        <translation>The last line of the sealed text has no line break</translation>
    </message>
    <message>
        <source>封存文本第 %1 行的格式不对</source>
        <translation>Line %1 of the sealed text is not in the expected form</translation>
    </message>
    <message>
        <source>封存文本缺少承诺（commitment）一行</source>
        <translation>The sealed text lacks its commitment line</translation>
    </message>
    <message>
        <source>封存后名单、签到或奖项计划有了改动，已不是封存时的样子</source>
        <translation>The roster, the check-ins or the prize plan changed after the seal: the event is no longer as sealed</translation>
    </message>
    <message>
        <source>封存后抽奖结果被清除过</source>
        <translation>The results were cleared after the seal</translation>
    </message>
    <message>
        <source>成立</source>
        <translation>holds</translation>
    </message>
    <message>
        <source>不成立</source>
        <translation>does NOT hold</translation>
    </message>
    <message>
        <source>种子 %1</source>
        <translation>seed %1</translation>
    </message>
    <message>
        <source>步骤 %1	第 %2 位	奖项 %3	重算 %4	记录 %5	%6</source>
        <translation>step %1	order %2	level %3	replayed %4	recorded %5	%6</translation>
    </message>
    <message>
        <source>一致</source>
        <translation>same</translation>
    </message>
    <message>
        <source>不一致</source>
        <translation>DIFFERS</translation>
    </message>
    <message>
        <source>  候选 %1 人，尝试 %2，下标 %3</source>
        <translation>  pool of %1, attempts %2, index %3</translation>
    </message>
    <message>
        <source>封存值（文本的 SHA-256）：%1</source>
        <translation>seal (SHA-256 of the text): %1</translation>
    </message>
    <message>
        <source>承诺（密钥的 SHA-256）：%1</source>
        <translation>commitment (SHA-256 of the secret): %1</translation>
    </message>
    <message>
        <source>公开随机数（封存后、第一次抽奖前记录一次）：%1</source>
        <translation>entropy (once, after the seal, before any stop): %1</translation>
    </message>
    <message>
        <source>验证通过：%1 次抽奖全部按封存重算一致</source>
        <translation>verified: all %1 stops replay as sealed</translation>
    </message>
    <message>
        <source>验证失败：第一个不一致的是步骤 %1（%2）</source>
        <translation>NOT verified: the first step that differs is step %1 (%2)</translation>
    </message>
    <message>
        <source>验证失败：%1</source>
        <translation>NOT verified: %1</translation>
    </message>
    <message>
        <source>验证失败：封存值、承诺或公开随机数不成立</source>
        <translation>NOT verified: the seal, the commitment or the entropy does not hold</translation>
    </message>
    <message>
        <source>抽奖已封存。请公布下面的封存值，然后在抽奖开始前输入公开随机数（eventdb entropy）。</source>
        <translation>The draw is sealed. Publish the seal below, then give the public entropy (eventdb entropy) before the draw starts.</translation>
    </message>
    <message>
        <source>公开随机数已记录，此后每次抽奖都按封存抽出</source>
        <translation>The public entropy is recorded: every stop from now on is the sealed pick</translation>
    </message>
    <message>
        <source>证明已写入 %1</source>
        <translation>The proof was written to %1</translation>
    </message>
    <message>
        <source>封存（可验证的抽奖）</source>
        <translation>Seal (a draw anyone can verify)</translation>
    </message>
    <message>
        <source>本次抽奖已封存，封存码 %1；现场随机数：%2</source>
        <translation>This draw is sealed, seal %1; the hall&apos;s entropy: %2</translation>
    </message>
    <message>
        <source>本次抽奖已封存，封存码 %1；等待现场随机数。</source>
        <translation>This draw is sealed, seal %1; waiting for the hall&apos;s entropy.</translation>
    </message>
    <message>
        <source>本次抽奖的封存已被破坏：此后的结果不能再用封存验证。</source>
        <translation>This draw&apos;s seal has been broken: later results can no longer be verified against it.</translation>
    </message>
    <message>
        <source>抽奖已封存。这项更改会破坏封存：此后的抽奖不能再用封存验证，舞台和证明中都会写明。确定更改？</source>
        <translation>The draw is sealed. This change breaks the seal: later draws can no longer be verified against it, and the stage and the proof will say so. Make the change?</translation>
    </message>
    <message>
        <source>现场随机数：喊出的数字、骰子点数、公开开奖号码……</source>
        <translation>The hall&apos;s entropy: numbers called out, dice, a public lottery result…</translation>
    </message>
    <message>
        <source>确认随机数</source>
        <translation>Confirm entropy</translation>
    </message>
    <message>
        <source>封存…</source>
        <translation>Seal…</translation>
    </message>
    <message>
        <source>破坏封存…</source>
        <translation>Break the seal…</translation>
    </message>
    <message>
        <source>未封存。封存后，谁都可以在抽奖结束后验证每一位中奖者。</source>
        <translation>Not sealed. Once sealed, anyone can verify every winner after the draw.</translation>
    </message>
    <message>
        <source>封存已破坏（日志第 %1 行），此后的抽奖不能再用封存验证。</source>
        <translation>The seal was broken (journal row %1); later draws can no longer be verified against it.</translation>
    </message>
    <message>
        <source>已封存：%1
请让现场产生随机数并输入（只能输入一次），之后才能抽奖。</source>
        <translation>Sealed: %1
Have the hall produce entropy and type it in (once only) before the first draw.</translation>
    </message>
    <message>
        <source>已封存：%1
现场随机数：%2</source>
        <translation>Sealed: %1
The hall&apos;s entropy: %2</translation>
    </message>
    <message>
        <source>封存前请先结束签到。封存后名单、奖项、规则和签到都不能再改，否则封存作废；也不能再选择下一个奖项。现在封存？</source>
        <translation>Close check-in before sealing. Once sealed, the roster, prizes, rules and check-ins cannot change without breaking the seal, and the next prize cannot be chosen. Seal now?</translation>
    </message>
    <message>
        <source>现场随机数“%1”输入后不能更改，确定？</source>
        <translation>The hall&apos;s entropy &quot;%1&quot; cannot be changed once entered. Go ahead?</translation>
    </message>
    <message>
        <source>破坏封存后，此后的抽奖不能再用封存验证，舞台和证明中都会写明。确定？</source>
        <translation>After the seal is broken, later draws can no longer be verified against it, and the stage and the proof will say so. Go ahead?</translation>
    </message>
    <message>
        <source>此后的抽奖不能再用封存验证</source>
        <translation>Later draws cannot be verified against the seal</translation>
    </message>
    <message>
        <source>等待现场随机数</source>
        <translation>Waiting for the hall&apos;s entropy</translation>
    </message>
    <message>
        <source>现场随机数：%1</source>
        <translation>The hall&apos;s entropy: %1</translation>
    </message>
    <message>
        <source>封存已破坏</source>
        <translation>Seal broken</translation>
    </message>
    <message>
        <source>封存码 %1…</source>
        <translation>Seal %1…</translation>
    </message>
    <message>
        <source>签到已结束</source>
        <translation>Check-in has closed</translation>
    </message>
    <message>
        <source>签到已经结束，抽奖已封存。中奖名单会在这里实时显示。</source>
        <translation>Check-in has closed and the draw is sealed. The winners will appear here live.</translation>
    </message>
    <message>
        <source>抽奖已经封存，但还没有输入现场随机数</source>
        <translation>The draw is sealed, but the hall&apos;s entropy has not been entered yet</translation>
    </message>
    <message>
        <source>请先在抽奖控制台（F9）输入现场随机数，然后再抽奖。</source>
        <translation>Enter the hall&apos;s entropy in the draw console (F9) first, then draw.</translation>
    </message>
    <message>
        <source>封存的抽奖不能这样继续。如要继续抽奖，请在抽奖控制台（F9）点“破坏封存…”（会记入抽奖记录）。</source>
        <translation>The sealed draw cannot go on like this. To go on drawing, click &quot;Break the seal…&quot; in the draw console (F9); the journal records it.</translation>
    </message>
    <message>
        <source>第 %1 步抽的是奖项 %2，按封存的奖项顺序这时应抽奖项 %3</source>
        <translation>Step %1 drew prize level %2; the sealed order of prizes gives level %3 at this point</translation>
    </message>
    <message>
        <source>封存后奖项计划被保存过</source>
        <translation>The prize plan was saved after the seal</translation>
    </message>
    <message>
        <source>活动已封存（封存值 %1…）：这项更改会破坏封存，此后的抽奖不能再用封存验证。确实要更改时加上 --break-seal（记入抽奖记录）。</source>
        <translation>The event is sealed (seal %1…): this change breaks the seal, and later draws can no longer be verified against it. Add --break-seal to make it anyway (the journal records it).</translation>
    </message>
</context>
</TS>
